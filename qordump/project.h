// A project as its three files hold it: read, checked, and checked against each other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/base_arrays.h"
#include "common/hard_arrays.h"
#include "common/weak_arrays.h"
#include "qordump/label_control_files.h"

struct Project {
    std::string name;  // the project argument as given
    std::string labelPath;
    std::string binaryPath;
    std::string controlPath;

    LabelFile labels;
    BaseArrays cells;
    HardArrays hard;
    WeakArrays weak;
    bool hasControl = false;  // the control file is optional
    ControlFile control;
};

// Reads `<project>-lbl.dat`, `<project>-bin.dat` and, when it exists, `<project>-ctr.dat`.
// Beyond the structure of each file, the cells of the binary data file must be strictly
// ascending cell numbers of a table of `tableSize` cells, the class sizes of the label file
// must multiply to that table size, and the control file must describe the same table.
// On failure returns false with `error` set to the one line to print (with its line end).
bool loadProject(const std::string& project, Project& loaded, std::string& error);

// Where a declared restriction went in the binary data file.
enum class StoredAs {
    UNKNOWN,     // the control file and the binary data file do not agree on the rows
    HARD_ROW,    // a row of the hard record
    WEAK_ROW,    // a row of the weak record
    CELL_BOUND,  // a bound of its one cell: a single-cell ">", "<" or range
};

struct Destination {
    StoredAs kind = StoredAs::UNKNOWN;
    int32_t number = 0;  // 1-based row, or 1-based column for a cell bound
};

// One destination per declared restriction. Weak restrictions become weak rows and
// single-cell restrictions other than "=" cell bounds, each in declaration order; the rest
// become hard rows. When the counts do not match the records, every destination is UNKNOWN.
std::vector<Destination> destinations(const Project& project);
