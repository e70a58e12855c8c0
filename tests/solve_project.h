// A small project in memory for the qorsolve tests, built the way qorlex writes one.
//
// Classes Region (North, South) and an unnamed class of 2; cells 0, 1 and 3 of the table
// are adjustable (bases 5, 3, 2). Declared restrictions:
//   1  hard   (North, 1) + (North, 2) = 8                 hard row 1
//   2  bound  (South, 2) < 4                              upper bound of column 2
//   3  weak   (North, 2) + (South, 2) ~ 6                 weak row 1
//   4  bound  -(North, 1) > -7                            upper bound 7 of column 0
//   5  hard   1 <= (North, 1) + (South, 2) <= 9 ("|")     hard row 2
#pragma once

#include <string>
#include <vector>

#include "common/bound_type.h"
#include "common/project.h"

// A class whose characteristics have these names.
inline ClassLabels namedClass(const std::vector<std::string>& names) {
    ClassLabels labels;
    labels.size = static_cast<int32_t>(names.size());
    labels.named = true;
    for (const std::string& name : names) {
        labels.nameStart.push_back(static_cast<int32_t>(labels.nameBytes.size()));
        labels.nameBytes.insert(labels.nameBytes.end(), name.begin(), name.end());
        labels.nameBytes.push_back('\0');
    }
    return labels;
}

inline DeclaredRestriction declared(int32_t type, double lower, double upper,
                                    std::vector<int32_t> columns,
                                    std::vector<double> coefficients) {
    return DeclaredRestriction{type, lower, upper, std::move(columns), std::move(coefficients)};
}

inline Project solveProject(const std::string& name = "p") {
    Project project;
    project.name = name;
    project.labelPath = name + "-lbl.dat";
    project.binaryPath = name + "-bin.dat";
    project.controlPath = name + "-ctr.dat";
    ClassLabels unnamed;
    unnamed.size = 2;
    project.labels.classes = {namedClass({"North", "South"}), unnamed};

    project.cells = {4, 3, {0, 1, 3}, {5, 3, 2}, {0, 0, 0}, {7, NO_BOUND, 4}};
    project.hard = {
        2, 3, 4, {BOUND_EQUAL, BOUND_RANGE}, {8, 1}, {8, 9}, {0, 2, 4}, {0, 1, 0, 2}, {1, 1, 1, 1}};
    project.weak = {1, 3, 2, {6}, {1}, {0, 2}, {1, 2}, {1, 1}};
    project.hasControl = true;
    project.control.tableSize = 4;
    project.control.restrictions = {
        declared(BOUND_EQUAL, 8, 8, {0, 1}, {1, 1}), declared(BOUND_UPPER, -NO_BOUND, 4, {2}, {1}),
        declared(BOUND_WEAK, 6, 6, {1, 2}, {1, 1}),  declared(BOUND_LOWER, -7, NO_BOUND, {0}, {-1}),
        declared(BOUND_RANGE, 1, 9, {0, 2}, {1, 1}),
    };
    return project;
}
