#include "common/project.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "common/binary_data_file.h"
#include "common/input_file.h"

namespace {

// The message for a read that failed.
std::string readFailure(ReadResult result, const std::string& what, const std::string& path) {
    if (result == ReadResult::NO_MEMORY) {
        return "Error: Not enough memory to read " + path + "\n";
    }
    return "Error: Invalid " + what + " " + path + "\n";
}

// Right after the failed open, while errno still tells why.
std::string openFailure(const std::string& path) {
    const std::string reason = std::strerror(errno);
    return "Error: Could not open file " + path + ": " + reason + "\n";
}

bool readBinaryDataFile(Project& project, std::string& error) {
    InputFile file;
    if (!file.open(project.binaryPath)) {
        error = openFailure(project.binaryPath);
        return false;
    }
    ReadResult result = readBaseArrays(file, project.cells);
    if (result == ReadResult::OK) {
        result = readHardArrays(file, project.hard, project.cells.cellCount);
    }
    if (result == ReadResult::OK) {
        result = readWeakArrays(file, project.weak, project.cells.cellCount);
    }
    if (result != ReadResult::OK) {
        error = readFailure(result, "binary data file", project.binaryPath);
        return false;
    }
    // Every cell is decoded from its cell number, so the numbers must ascend inside the table.
    const BaseArrays& cells = project.cells;
    bool inTable = cells.tableSize >= 0;
    int64_t previous = -1;
    for (int32_t cell : cells.cellIndex) {
        inTable = inTable && cell > previous && cell < cells.tableSize;
        previous = cell;
    }
    if (!inTable) error = "Error: Invalid binary data file " + project.binaryPath + "\n";
    return inTable;
}

// The number of cells of the table the label file describes, or -1 beyond int32.
int64_t labelledTableSize(const LabelFile& labels) {
    int64_t product = 1;
    for (const ClassLabels& labelsOfClass : labels.classes) {
        product *= labelsOfClass.size;
        if (product > INT32_MAX) return -1;
    }
    return product;
}

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 || errno != ENOENT;
}

}  // namespace

bool loadProject(const std::string& project, Project& loaded, std::string& error) {
    loaded = Project();
    loaded.name = project;
    loaded.labelPath = project + "-lbl.dat";
    loaded.binaryPath = project + "-bin.dat";
    loaded.controlPath = project + "-ctr.dat";

    {
        InputFile file;
        if (!file.open(loaded.labelPath)) {
            error = openFailure(loaded.labelPath);
            return false;
        }
        if (ReadResult result = readLabelFile(file, loaded.labels); result != ReadResult::OK) {
            error = readFailure(result, "label file", loaded.labelPath);
            return false;
        }
    }
    if (!readBinaryDataFile(loaded, error)) return false;

    // A description without a base table leaves the binary data file without any table.
    const BaseArrays& cells = loaded.cells;
    const bool hasTable = cells.tableSize != 0 || cells.cellCount != 0;
    if (hasTable && labelledTableSize(loaded.labels) != cells.tableSize) {
        error = "Error: Label file " + loaded.labelPath + " does not fit binary data file " +
                loaded.binaryPath + "\n";
        return false;
    }

    if (!exists(loaded.controlPath)) return true;
    InputFile file;
    if (!file.open(loaded.controlPath)) {
        error = openFailure(loaded.controlPath);
        return false;
    }
    if (ReadResult result = readControlFile(file, loaded.control, cells.cellCount);
        result != ReadResult::OK) {
        error = readFailure(result, "control file", loaded.controlPath);
        return false;
    }
    if (loaded.control.tableSize != cells.tableSize) {
        error = "Error: Control file " + loaded.controlPath + " does not fit binary data file " +
                loaded.binaryPath + "\n";
        return false;
    }
    loaded.hasControl = true;
    return true;
}

std::vector<Destination> destinations(const Project& project) {
    std::vector<Destination> result(project.control.restrictions.size());
    int32_t hardRows = 0;
    int32_t weakRows = 0;
    for (std::size_t i = 0; i < result.size(); ++i) {
        const DeclaredRestriction& restriction = project.control.restrictions[i];
        Destination& destination = result[i];
        const auto entryCount = static_cast<int64_t>(restriction.columns.size());
        destination.known = true;
        destination.kind = storedAs(restriction.type, entryCount);
        switch (destination.kind) {
            case StoredAs::HARD_ROW:
                destination.number = ++hardRows;
                break;
            case StoredAs::WEAK_ROW:
                destination.number = ++weakRows;
                break;
            case StoredAs::CELL_BOUND:
                destination.number = restriction.columns[0] + 1;
                break;
        }
    }
    if (hardRows != project.hard.rowCount || weakRows != project.weak.rowCount) {
        for (Destination& destination : result) destination = Destination();
    }
    return result;
}
