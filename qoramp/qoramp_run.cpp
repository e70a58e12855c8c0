#include "qoramp/qoramp_run.h"

#include <utility>

#include "common/binary_data_file.h"
#include "common/input_file.h"
#include "qoramp/ampl_file_owner.h"
#include "qoramp/ampl_files.h"
#include "qoramp/export_input.h"

namespace {

// The one place that turns a failure into its message.
void printError(QorampError error, const std::string& path, std::ostream& out) {
    if (error == QorampError::OK) return;
    out << "Error: ";
    switch (error) {
        case QorampError::OK:
            return;
        case QorampError::CANNOT_OPEN:
            out << "Could not open file " << path << "\n";
            return;
        case QorampError::NO_MEMORY:
            out << "Could not generate qor data arrays\n";
            return;
        case QorampError::INVALID_FILE:
            out << "Invalid binary data file " << path << "\n";
            return;
        case QorampError::UNDEFINED_BOUND_TYPE:
            out << "Undefined bound type\n";
            return;
        case QorampError::NON_INTEGER_BOUND:
            out << "Non integer bound\n";
            return;
        case QorampError::BOUND_OUT_OF_RANGE:
            out << "Bound out of range\n";
            return;
        case QorampError::NOT_OURS:
            out << path << " was not written by qoramp; not overwritten\n";
            return;
        case QorampError::CANNOT_WRITE:
            out << "Could not write to " << path << "\n";
            return;
    }
}

// Reads the cells and the hard rows in place from `file`; the weak record after them is left
// unread.
QorampError readProject(InputFile& file, const std::string& path, BaseView& cells, RowsView& hard) {
    if (!file.open(path)) return QorampError::CANNOT_OPEN;
    ReadResult result = viewBaseRecord(file, cells);
    if (result == ReadResult::OK) result = viewHardRecord(file, hard, cells.cellCount);
    switch (result) {
        case ReadResult::OK:
            return QorampError::OK;
        case ReadResult::NEGATIVE_COUNT:
        case ReadResult::NO_MEMORY:
            return QorampError::NO_MEMORY;
        case ReadResult::INVALID:
            break;
    }
    return QorampError::INVALID_FILE;
}

// Reads and checks the project, then writes the three AMPL files. On failure `path` is the
// file concerned.
QorampError exportProject(const std::string& project, std::string& path) {
    // Every path is the project argument as given plus a suffix.
    path = project + "-bin.dat";
    InputFile file;
    BaseView cells;
    RowsView hard;
    if (QorampError error = readProject(file, path, cells, hard); error != QorampError::OK) {
        return error;
    }
    RowLists rows;
    if (QorampError error = checkAndGroupRows(hard, rows); error != QorampError::OK) {
        return error;
    }

    // All input is checked, and no target is a file of someone else's, before the first file is
    // created; each file is complete and closed before the next one is opened.
    const AmplProblem problem{cells, hard, rows, hasWeightedEntries(hard)};
    const std::string modelPath = project + ".mod";
    const std::string commandPath = project + ".dat";
    const std::string numberPath = project + ".txt";
    for (const auto& [target, kind] : {std::pair{&modelPath, AmplFileKind::MODEL},
                                       std::pair{&commandPath, AmplFileKind::COMMAND},
                                       std::pair{&numberPath, AmplFileKind::NUMBERS}}) {
        path = *target;
        if (!mayReplaceAmplFile(path, kind)) return QorampError::NOT_OURS;
    }
    path = modelPath;
    if (QorampError error = writeModelFile(path, problem); error != QorampError::OK) {
        return error;
    }
    path = commandPath;
    if (QorampError error = writeCommandFile(path, numberPath, problem); error != QorampError::OK) {
        return error;
    }
    path = numberPath;
    return writeNumberFile(path, problem);
}

}  // namespace

int runQoramp(const std::vector<std::string>& args, std::ostream& out) {
    if (args.empty() || args[0] == "--help") {
        out << "Erstellen von AMPL Datenfiles\n"
            << "Aufruf: qoramp <project>\n";
        return args.empty() ? 1 : 0;
    }
    if (args[0] == "--version") {
        out << "qoramp " << QOR_VERSION << "\n";
        return 0;
    }
    std::string path;
    const QorampError error = exportProject(args[0], path);
    printError(error, path, out);
    return error == QorampError::OK ? 0 : 1;
}
