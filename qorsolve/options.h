// The command line of qorsolve.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "qorsolve/core/solve_settings.h"

// The settings of the run (solve_settings.h, handed as they are to the stages), and what only
// the program itself reads.
struct SolveOptions : SolveSettings {
    bool help = false;
    bool version = false;
    std::vector<std::string> projects;
};

void printUsage(std::ostream& out);

// Options in any order and place ("--" ends them), and the project. False, with the message
// printed, for an unknown option, a time limit that is not a positive number of seconds, a
// work limit that is not a positive whole number, a report without a file name, an output
// without a prefix, a separator not among those of the result files, a decimal comma with the
// comma as separator, or an option that takes a value given twice.
bool parseOptions(const std::vector<std::string>& args, SolveOptions& options, std::ostream& out);
