#include "qoramp/qoramp_run.h"

#include <utility>

#include "common/base_arrays.h"
#include "common/binary_data_file.h"
#include "common/hard_arrays.h"
#include "common/input_file.h"
#include "qoramp/ampl_file_owner.h"
#include "qoramp/ampl_files.h"
#include "qoramp/export_input.h"

namespace {

// Reads the cells and the hard rows; the weak record after them is left unread. Prints the
// failure and returns false.
bool readProject(const std::string& path, BaseArrays& cells, HardArrays& hard, std::ostream& out) {
    InputFile file;
    if (!file.open(path)) {
        out << "Error: Could not open file " << path << "\n";
        return false;
    }
    ReadResult result = readBaseArrays(file, cells);
    if (result == ReadResult::OK) result = readHardArrays(file, hard, cells.cellCount);
    switch (result) {
        case ReadResult::OK:
            return true;
        case ReadResult::NEGATIVE_COUNT:
        case ReadResult::NO_MEMORY:
            out << "Error: Could not generate qor data arrays\n";
            return false;
        case ReadResult::INVALID:
            break;
    }
    out << "Error: Invalid binary data file " << path << "\n";
    return false;
}

// Prints the failure and returns false.
bool checkRows(const HardArrays& hard, RowLists& rows, const std::string& binaryPath,
               std::ostream& out) {
    switch (sortRows(hard, rows)) {
        case RowCheck::OK:
            return true;
        case RowCheck::NO_MEMORY:
            out << "Error: Could not generate qor data arrays\n";
            return false;
        case RowCheck::UNDEFINED_BOUND_TYPE:
            out << "Error: Undefined bound type\n";
            return false;
        case RowCheck::NON_INTEGER_BOUND:
            out << "Error: Non integer bound\n";
            return false;
        case RowCheck::BOUND_OUT_OF_RANGE:
            out << "Error: Bound out of range\n";
            return false;
        case RowCheck::INCONSISTENT:
            break;
    }
    out << "Error: Invalid binary data file " << binaryPath << "\n";
    return false;
}

// Prints the failure and returns false.
bool reportWrite(WriteResult result, const std::string& path, std::ostream& out) {
    switch (result) {
        case WriteResult::OK:
            return true;
        case WriteResult::CANNOT_CREATE:
            out << "Error: Could not open file " << path << "\n";
            return false;
        case WriteResult::CANNOT_WRITE:
            break;
    }
    out << "Error: Could not write to " << path << "\n";
    return false;
}

}  // namespace

int runQoramp(const std::vector<std::string>& args, std::ostream& out) {
    if (args.empty()) {
        out << "Erstellen von AMPL Datenfiles\n"
            << "Aufruf: qoramp <project>\n";
        return 1;
    }
    // Every path is the project argument as given plus a suffix.
    const std::string& project = args[0];
    const std::string binaryPath = project + "-bin.dat";

    BaseArrays cells;
    HardArrays hard;
    if (!readProject(binaryPath, cells, hard, out)) return 1;
    clampCellBounds(cells);
    RowLists rows;
    if (!checkRows(hard, rows, binaryPath, out)) return 1;

    // All input is checked, and no target is a file of someone else's, before the first file is
    // created; each file is complete and closed before the next one is opened.
    const AmplProblem problem{cells, hard, rows, hasWeightedEntries(hard)};
    const std::string modelPath = project + ".mod";
    const std::string commandPath = project + ".dat";
    const std::string numberPath = project + ".txt";
    for (const auto& [path, kind] : {std::pair{&modelPath, AmplFileKind::MODEL},
                                     std::pair{&commandPath, AmplFileKind::COMMAND},
                                     std::pair{&numberPath, AmplFileKind::NUMBERS}}) {
        if (!mayReplaceAmplFile(*path, kind)) {
            out << "Error: " << *path << " was not written by qoramp; not overwritten\n";
            return 1;
        }
    }
    if (!reportWrite(writeModelFile(modelPath, problem), modelPath, out)) return 1;
    if (!reportWrite(writeCommandFile(commandPath, numberPath, problem), commandPath, out)) {
        return 1;
    }
    if (!reportWrite(writeNumberFile(numberPath, problem), numberPath, out)) return 1;
    return 0;
}
