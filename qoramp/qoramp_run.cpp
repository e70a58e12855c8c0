#include "qoramp/qoramp_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <utility>

#include "common/binary_data_file.h"
#include "common/bound_type.h"
#include "common/input_file.h"
#include "common/input_record.h"
#include "common/project.h"
#include "common/project_argument.h"
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

// A number as it reads back exactly, in as few digits as that takes.
std::string numberText(double value) {
    char text[32];
    const auto [end, failure] = std::to_chars(text, text + sizeof text, value);
    return failure == std::errc() ? std::string(text, end) : std::string("?");
}

// Why hard row `row` (0-based) cannot be exported, with the declared restriction it comes from
// when the project's control file tells.
std::string rowProblem(const std::string& project, const std::string& path, const RowsView& hard,
                       int32_t row) {
    if (row < 0 || row >= hard.rowCount) return "";
    const auto j = static_cast<std::size_t>(row);
    std::string text = path + ": hard row " + std::to_string(row + 1);
    Project loaded;
    if (loadProject(project, loaded).fault == ProjectFault::NONE) {
        const std::vector<Destination> rows = destinations(loaded);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].known && rows[i].kind == StoredAs::HARD_ROW && rows[i].number == row + 1) {
                text += " (restriction " + std::to_string(i + 1) + " of the description)";
            }
        }
    }
    if (hard.boundType[j] != BOUND_RANGE) {
        return text + " has the relation code " + std::to_string(hard.boundType[j]) +
               ", which the AMPL export does not know";
    }
    const std::string lower = numberText(hard.lowerValue[j]);
    const std::string upper = numberText(hard.upperValue[j]);
    return text + " is a range from " + lower + " to " + upper +
           "; the AMPL export has no ranges: write the restriction twice, once with \"> " + lower +
           "\" and once with \"< " + upper + "\"";
}

// Reads and checks the project, then writes the three AMPL files. On failure `path` is the
// file concerned, and `detail` what the message leaves out, if anything.
QorampError exportProject(const std::string& project, std::string& path, std::string& detail) {
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
        if (error == QorampError::UNDEFINED_BOUND_TYPE) {
            detail = rowProblem(project, path, hard, rows.failedRow);
        }
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

int runQoramp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help") {
        out << "Erstellen von AMPL Datenfiles\n"
            << "Aufruf: qoramp <project>\n";
        return args.empty() ? 1 : 0;
    }
    if (args[0] == "--version") {
        out << "qoramp " << QOR_VERSION << "\n";
        return 0;
    }
    const std::string& project = args[0];
    if (const std::string warning = changedInputsWarning(project); !warning.empty()) {
        err << warning << "\n";
    }
    std::string path;
    std::string detail;
    const QorampError error = exportProject(project, path, detail);
    printError(error, path, out);
    // "qoramp out/pop-bin.dat" looks for out/pop-bin.dat-bin.dat, as the message says; which
    // project was meant is told apart.
    struct stat info {};
    if (error == QorampError::CANNOT_OPEN && path == project + "-bin.dat" &&
        stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        detail = notAProjectReason(project);
    }
    if (!detail.empty()) {
        out.flush();
        err << detail << "\n";
    }
    return error == QorampError::OK ? 0 : 1;
}
