// What every program's main does around its run: the signal set-up, the arguments, running out
// of memory, and the end of standard output.
#pragma once

#include <string>
#include <vector>

// What a failed standard output (a full disk, a closed pipe) does to the exit code.
enum class OutputFailure {
    IGNORED,   // the run's own exit code stands
    EXIT_1,    // the exit code becomes 1, without a message
    REPORTED,  // the exit code becomes 1 and standard error says so
};

using ProgramRun = int (*)(const std::vector<std::string>& args);

// Calls `run` with the arguments after the program name and returns its exit code. SIGXFSZ is
// ignored first: under a file-size limit a write past it then fails like a full disk and is
// reported, instead of the signal ending the process with a partial file left behind. When
// memory runs out, `noMemory` prints the message and the exit code is 1. Standard output is
// flushed at the end, and its failure handled as `onOutputFailure` says.
int runProgram(int argc, char** argv, ProgramRun run, void (*noMemory)(),
               OutputFailure onOutputFailure);
