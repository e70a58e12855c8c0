// One run of qorimport: from a spreadsheet's base table and files of published margins to a
// project that qorsolve adjusts.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs qorimport with `args` (the command-line arguments without the program name); every
// message goes to `out`. Returns the exit code: 0 when the description, its base file, the
// names file and the project files are written, 1 otherwise, with nothing written for input
// it refuses.
int runQorimport(const std::vector<std::string>& args, std::ostream& out);
