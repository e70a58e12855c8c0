// One run of qoramp: reads a project's binary data file and writes its AMPL files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// `args` are the command-line arguments after the program name; only the first, the project,
// counts. Every message goes to `out`; what a message leaves out (why a row cannot be exported,
// which project was meant, that the description changed since the project was made) goes to
// `err`, one line each. Returns the exit code: 0 when all three files have been written, 1
// after any failure. Nothing is printed on success.
int runQoramp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
