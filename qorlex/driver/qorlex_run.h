// One run of qorlex: translate a table description into the three project files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs qorlex with `args` (the command-line arguments without the program name). Messages
// go to `out`; fatal scanner errors go to `err`, and so does the line that tells where in a
// base file reading stopped. Returns the exit code.
int runQorlex(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
