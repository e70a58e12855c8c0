// A project as its three files hold it: read, checked, and checked against each other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/base_arrays.h"
#include "common/bound_type.h"
#include "common/control_file.h"
#include "common/hard_arrays.h"
#include "common/label_file.h"
#include "common/names_file.h"
#include "common/statement_file.h"
#include "common/weak_arrays.h"

struct Project {
    std::string name;  // the project argument as given
    std::string labelPath;
    std::string binaryPath;
    std::string controlPath;
    std::string classNamePath;
    std::string namesPath;
    std::string statementPath;

    LabelFile labels;
    BaseArrays cells;
    HardArrays hard;
    WeakArrays weak;
    bool hasControl = false;  // the control file is optional
    ControlFile control;
    std::vector<std::string> classNames;  // one per class; empty without a class name file
    // The labels as the user wrote them, from a names file that fits the label file. Its
    // restrictions are there only when they are the control file's, one for one.
    bool hasNames = false;
    NamesFile names;
    // The restrictions' statements as the description writes them, one per control record,
    // and where each starts ("bev.txt:412"); from a statement file that fits the control file.
    bool hasStatements = false;
    StatementFile statements;
    TextList statementSources;
};

// The label of class `k` (0-based) as its user wrote it, else its name as declared, or
// "class<k+1>" for a project without names (or an empty name).
std::string className(const Project& project, std::size_t k);

// Restriction `i` (0-based, in declaration order) as its source states it, and where it comes
// from: the margin as published and its file and line ("margins.csv:3") where the names file
// says, else its statement as the description writes it and where it starts ("bev.txt:412");
// empty for a project without either file.
std::string_view declaredLabel(const Project& project, std::size_t i);
std::string_view restrictionSource(const Project& project, std::size_t i);

// Why a project could not be loaded.
enum class ProjectFault {
    NONE,
    CANNOT_OPEN,              // `path` cannot be opened, for `reason`
    NO_MEMORY,                // the arrays of `path` cannot be allocated
    INVALID_FILE,             // `path`, a `fileKind`, is damaged
    LABELS_DO_NOT_FIT,        // the label file `path` describes another table than `otherPath`
    CONTROL_DOES_NOT_FIT,     // the control file `path` describes another table than `otherPath`
    NAMES_DO_NOT_FIT,         // the class name file `path` names other classes than `otherPath`
    NAMES_FILE_DOES_NOT_FIT,  // the names file `path` labels other names than `otherPath` holds
    STATEMENTS_DO_NOT_FIT,  // the statement file `path` states other restrictions than `otherPath`
    FILE_FOR_PROJECT,  // the argument `path` names no project but something else, as `reason` says
};

struct ProjectError {
    ProjectFault fault = ProjectFault::NONE;
    std::string path;
    std::string otherPath;  // the other file, when two files disagree
    std::string fileKind;   // "label file", "binary data file", "control file", "class name file",
                            // "names file" or "statement file"
    std::string reason;     // the system's reason a file cannot be opened; FILE_FOR_PROJECT: the
                            // message, without "Error: "
};

// Reads `<project>-lbl.dat`, `<project>-bin.dat` and, when they exist, `<project>-ctr.dat`,
// `<project>-cls.dat` (whose class count must be the label file's) and `<project>-names.csv`
// (whose classes and characteristics must bear the names of the label and class name files;
// its restrictions are dropped when they are not the control file's), and with the control file
// `<project>-stm.dat` (one statement per control record, each of the record's relation). An
// argument that names no project but a file of one, a table description or another file is
// reported as such (FILE_FOR_PROJECT, see notAProjectReason).
// Beyond the structure of each file, the cells of the binary data file must be strictly
// ascending cell numbers of a table of `tableSize` cells, the class sizes of the label file
// must multiply to that table size, and the control file must describe the same table.
ProjectError loadProject(const std::string& project, Project& loaded);

// The one line to print for a project that could not be loaded, with its line end; empty for
// NONE.
std::string projectErrorMessage(const ProjectError& error);

struct Destination {
    bool known = false;  // false when the control file and the binary data file disagree
    StoredAs kind = StoredAs::HARD_ROW;
    int32_t number = 0;  // 1-based row, or 1-based column for a cell bound
};

// One destination per declared restriction, as storedAs decides, rows numbered in declaration
// order. When the counts do not match the records, no destination is known.
std::vector<Destination> destinations(const Project& project);
