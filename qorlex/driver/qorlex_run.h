// One run of qorlex: translate a table description into the three project files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs qorlex with `args` (the command-line arguments without the program name). Messages
// go to `out`; fatal scanner errors go to `err`, and so do the lines that tell more than a
// message: where and why reading stopped, what was read that is usually a mistake, and the
// system's reason a file could not be written. Returns the exit code.
int runQorlex(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
