// One run of qordump: reads a project's files and prints them in readable form or as JSON.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// `args` are the command-line arguments after the program name: the options --json, --cells
// and --rows in any order and place, and one project. Everything, messages included, goes to
// `out`, but for the warning that the description changed since the project was made, which
// goes to `err`; nothing is written to any file. Returns the exit code: 0 after printing, 1
// after a usage error or a file that cannot be read or is damaged (then only the message is
// printed).
int runQordump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
