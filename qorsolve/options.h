// The command line of qorsolve.
#pragma once

#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "qorsolve/core/settings.h"

struct SolveOptions {
    bool continuous = false;     // real-valued adjustment instead of whole numbers
    bool ignoreWeak = false;     // the objective without the weak restrictions
    bool conflictsOnly = false;  // only check that the restrictions can hold
    bool quiet = false;          // no progress line
    bool allCells = false;       // the adjusted table with the cells of base 0 too
    bool help = false;
    bool version = false;
    double timeLimit = std::numeric_limits<double>::infinity();  // seconds
    int64_t workLimit = DEFAULT_WORK_LIMIT;                      // see work_limit.h
    std::string report;  // the HTML report's path; empty for none
    std::vector<std::string> projects;
};

void printUsage(std::ostream& out);

// Options in any order and place ("--" ends them), and the project. False, with the message
// printed, for an unknown option, a time limit that is not a positive number of seconds, a
// work limit that is not a positive whole number, a report without a file name, or an option
// that takes a value given twice.
bool parseOptions(const std::vector<std::string>& args, SolveOptions& options, std::ostream& out);

// The settings the options give the solve: whole numbers unless --continuous or
// --conflicts-only, and the work limit.
SolveSettings settingsOf(const SolveOptions& options);
