#include "common/project.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "common/binary_data_file.h"
#include "common/class_name_file.h"
#include "common/input_file.h"
#include "common/project_argument.h"

namespace {

ProjectError fault(ProjectFault kind, const std::string& path) {
    ProjectError error;
    error.fault = kind;
    error.path = path;
    return error;
}

// For a read that failed.
ProjectError readFailure(ReadResult result, const std::string& fileKind, const std::string& path) {
    if (result == ReadResult::NO_MEMORY) return fault(ProjectFault::NO_MEMORY, path);
    ProjectError error = fault(ProjectFault::INVALID_FILE, path);
    error.fileKind = fileKind;
    return error;
}

// Right after the failed open, while errno still tells why.
ProjectError openFailure(const std::string& path) {
    const int reason = errno;
    ProjectError error = fault(ProjectFault::CANNOT_OPEN, path);
    struct stat info {};
    const bool notRegular = reason == EINVAL && stat(path.c_str(), &info) == 0 &&
                            !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
    error.reason = notRegular ? "Not a regular file" : std::strerror(reason);
    return error;
}

ProjectError doesNotFit(ProjectFault kind, const std::string& path, const std::string& binaryPath) {
    ProjectError error = fault(kind, path);
    error.otherPath = binaryPath;
    return error;
}

ProjectError readBinaryDataFile(Project& project) {
    InputFile file;
    if (!file.open(project.binaryPath)) return openFailure(project.binaryPath);
    ReadResult result = readBaseArrays(file, project.cells);
    if (result == ReadResult::OK) {
        result = readHardArrays(file, project.hard, project.cells.cellCount);
    }
    if (result == ReadResult::OK) {
        result = readWeakArrays(file, project.weak, project.cells.cellCount);
    }
    if (result != ReadResult::OK) {
        return readFailure(result, "binary data file", project.binaryPath);
    }
    // Every cell is decoded from its cell number, so the numbers must ascend inside the table.
    const BaseArrays& cells = project.cells;
    bool inTable = cells.tableSize >= 0;
    int64_t previous = -1;
    for (int32_t cell : cells.cellIndex) {
        inTable = inTable && cell > previous && cell < cells.tableSize;
        previous = cell;
    }
    if (!inTable) return readFailure(ReadResult::INVALID, "binary data file", project.binaryPath);
    return ProjectError();
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

// Whether the names file labels exactly the classes and characteristics of the label file,
// under the names the label and class name files give them.
bool labelsFit(const Project& project) {
    const auto& classes = project.labels.classes;
    const auto& named = project.names.classes;
    if (named.size() != classes.size()) return false;
    for (std::size_t k = 0; k < classes.size(); ++k) {
        if (k < project.classNames.size() && named[k].name != project.classNames[k]) return false;
        const ClassLabels& labels = classes[k];
        const std::vector<NamedItem>& items = named[k].characteristics;
        if (items.size() != static_cast<std::size_t>(labels.size)) return false;
        for (int32_t i = 0; i < labels.size; ++i) {
            const std::string& name = items[static_cast<std::size_t>(i)].name;
            if (labels.named ? name != labels.name(i) : name != std::to_string(i + 1)) {
                return false;
            }
        }
    }
    return true;
}

// Whether the names file's restrictions are the control file's, one for one.
bool restrictionsFit(const Project& project) {
    const auto& declared = project.control.restrictions;
    const auto& named = project.names.restrictions;
    if (!project.hasControl || named.size() != declared.size()) return false;
    for (std::size_t i = 0; i < declared.size(); ++i) {
        const DeclaredRestriction& r = declared[i];
        if (!statementFits(named[i].name, r.type, r.lowerValue, r.upperValue)) return false;
    }
    return true;
}

// The names file, when there is one; read after the label and class name files.
ProjectError readLabels(Project& loaded) {
    if (!exists(loaded.namesPath)) return ProjectError();
    InputFile file;
    if (!file.open(loaded.namesPath)) return openFailure(loaded.namesPath);
    if (ReadResult result = readNamesFile(file, loaded.names); result != ReadResult::OK) {
        return readFailure(result, "names file", loaded.namesPath);
    }
    if (!labelsFit(loaded)) {
        loaded.names = NamesFile();
        ProjectError error = fault(ProjectFault::NAMES_FILE_DOES_NOT_FIT, loaded.namesPath);
        error.otherPath = loaded.labelPath;
        return error;
    }
    loaded.hasNames = true;
    return ProjectError();
}

// Whether the statements are the control file's: one for each record, each stating the
// record's relation (a statement shortened in its middle may have lost it).
bool statementsFit(const Project& project) {
    const auto& declared = project.control.restrictions;
    const TextList& texts = project.statements.texts;
    if (texts.size() != declared.size()) return false;
    for (std::size_t i = 0; i < declared.size(); ++i) {
        const int32_t type = declared[i].type;
        const char relation = statementRelation(texts[i]);
        const bool fits =
            relation == '\0' || (relation == '~' && isWeakType(type)) ||
            (relation == '>' && type == BOUND_LOWER) || (relation == '<' && type == BOUND_UPPER) ||
            (relation == '|' && type == BOUND_RANGE) || (relation == '=' && type == BOUND_EQUAL);
        if (!fits) return false;
    }
    return true;
}

// The statement file, when there is one beside a control file; read after the control file.
ProjectError readStatements(Project& loaded) {
    if (!loaded.hasControl || !exists(loaded.statementPath)) return ProjectError();
    InputFile file;
    if (!file.open(loaded.statementPath)) return openFailure(loaded.statementPath);
    if (ReadResult result = readStatementFile(file, loaded.statements); result != ReadResult::OK) {
        return readFailure(result, "statement file", loaded.statementPath);
    }
    if (!statementsFit(loaded)) {
        loaded.statements = StatementFile();
        return doesNotFit(ProjectFault::STATEMENTS_DO_NOT_FIT, loaded.statementPath,
                          loaded.controlPath);
    }
    try {
        std::string source;
        for (int32_t line : loaded.statements.lines) {
            source.assign(loaded.statements.description).append(1, ':');
            source.append(std::to_string(line));
            loaded.statementSources.push_back(source);
        }
    } catch (const std::bad_alloc&) {
        return fault(ProjectFault::NO_MEMORY, loaded.statementPath);
    }
    loaded.hasStatements = true;
    return ProjectError();
}

}  // namespace

ProjectError loadProject(const std::string& project, Project& loaded) {
    loaded = Project();
    loaded.name = project;
    loaded.labelPath = project + "-lbl.dat";
    loaded.binaryPath = project + "-bin.dat";
    loaded.controlPath = project + "-ctr.dat";
    loaded.classNamePath = project + "-cls.dat";
    loaded.namesPath = project + "-names.csv";
    loaded.statementPath = project + STATEMENT_FILE_SUFFIX;

    {
        InputFile file;
        if (!file.open(loaded.labelPath)) {
            const bool missing = errno == ENOENT;
            ProjectError error = openFailure(loaded.labelPath);
            // "qordump out/pop-bin.dat" means the project out/pop; "qordump pop.txt" a project
            // made from that description.
            if (std::string reason = missing ? notAProjectReason(project) : ""; !reason.empty()) {
                error = fault(ProjectFault::FILE_FOR_PROJECT, project);
                error.reason = std::move(reason);
            }
            return error;
        }
        if (ReadResult result = readLabelFile(file, loaded.labels); result != ReadResult::OK) {
            return readFailure(result, "label file", loaded.labelPath);
        }
    }
    if (ProjectError error = readBinaryDataFile(loaded); error.fault != ProjectFault::NONE) {
        return error;
    }

    // A description without a base table leaves the binary data file without any table.
    const BaseArrays& cells = loaded.cells;
    const bool hasTable = cells.tableSize != 0 || cells.cellCount != 0;
    if (hasTable && labelledTableSize(loaded.labels) != cells.tableSize) {
        return doesNotFit(ProjectFault::LABELS_DO_NOT_FIT, loaded.labelPath, loaded.binaryPath);
    }

    if (exists(loaded.classNamePath)) {
        InputFile file;
        if (!file.open(loaded.classNamePath)) return openFailure(loaded.classNamePath);
        if (ReadResult result = readClassNameFile(file, loaded.classNames);
            result != ReadResult::OK) {
            return readFailure(result, "class name file", loaded.classNamePath);
        }
        if (loaded.classNames.size() != loaded.labels.classes.size()) {
            ProjectError error = fault(ProjectFault::NAMES_DO_NOT_FIT, loaded.classNamePath);
            error.otherPath = loaded.labelPath;
            return error;
        }
    }

    if (ProjectError error = readLabels(loaded); error.fault != ProjectFault::NONE) return error;

    if (exists(loaded.controlPath)) {
        InputFile file;
        if (!file.open(loaded.controlPath)) return openFailure(loaded.controlPath);
        if (ReadResult result = readControlFile(file, loaded.control, cells.cellCount);
            result != ReadResult::OK) {
            return readFailure(result, "control file", loaded.controlPath);
        }
        if (loaded.control.tableSize != cells.tableSize) {
            return doesNotFit(ProjectFault::CONTROL_DOES_NOT_FIT, loaded.controlPath,
                              loaded.binaryPath);
        }
        loaded.hasControl = true;
    }
    if (ProjectError error = readStatements(loaded); error.fault != ProjectFault::NONE) {
        return error;
    }
    // Restrictions changed by hand since the names file was written are shown as they are.
    if (loaded.hasNames && !restrictionsFit(loaded)) loaded.names.restrictions.clear();
    return ProjectError();
}

std::string projectErrorMessage(const ProjectError& error) {
    switch (error.fault) {
        case ProjectFault::NONE:
            return "";
        case ProjectFault::CANNOT_OPEN:
            return "Error: Could not open file " + error.path + ": " + error.reason + "\n";
        case ProjectFault::NO_MEMORY:
            return "Error: Not enough memory to read " + error.path + "\n";
        case ProjectFault::INVALID_FILE:
            return "Error: Invalid " + error.fileKind + " " + error.path + "\n";
        case ProjectFault::LABELS_DO_NOT_FIT:
            return "Error: Label file " + error.path + " does not fit binary data file " +
                   error.otherPath + "\n";
        case ProjectFault::CONTROL_DOES_NOT_FIT:
            return "Error: Control file " + error.path + " does not fit binary data file " +
                   error.otherPath + "\n";
        case ProjectFault::NAMES_DO_NOT_FIT:
            return "Error: Class name file " + error.path + " does not fit label file " +
                   error.otherPath + "\n";
        case ProjectFault::NAMES_FILE_DOES_NOT_FIT:
            return "Error: Names file " + error.path + " does not fit label file " +
                   error.otherPath + "; run qorimport again, or remove it\n";
        case ProjectFault::STATEMENTS_DO_NOT_FIT:
            return "Error: Statement file " + error.path + " does not fit control file " +
                   error.otherPath + "; translate the description again, or remove it\n";
        case ProjectFault::FILE_FOR_PROJECT:
            return "Error: " + error.reason + "\n";
    }
    return "";
}

std::string className(const Project& project, std::size_t k) {
    if (k < project.names.classes.size() && !project.names.classes[k].label.empty()) {
        return project.names.classes[k].label;
    }
    if (k < project.classNames.size() && !project.classNames[k].empty()) {
        return project.classNames[k];
    }
    return "class" + std::to_string(k + 1);
}

std::string_view declaredLabel(const Project& project, std::size_t i) {
    const auto& named = project.names.restrictions;
    if (i < named.size()) return named[i].label;
    const TextList& texts = project.statements.texts;
    return i < texts.size() ? texts[i] : std::string_view();
}

std::string_view restrictionSource(const Project& project, std::size_t i) {
    const auto& named = project.names.restrictions;
    if (i < named.size()) return named[i].source;
    const TextList& sources = project.statementSources;
    return i < sources.size() ? sources[i] : std::string_view();
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
