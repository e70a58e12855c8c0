#include "common/program_frame.h"

#include <csignal>
#include <iostream>
#include <new>

int runProgram(int argc, char** argv, ProgramRun run, void (*noMemory)(),
               OutputFailure onOutputFailure) {
    std::signal(SIGXFSZ, SIG_IGN);
    int code = 1;
    try {
        std::vector<std::string> args;
        if (argc > 1) args.assign(argv + 1, argv + argc);
        code = run(args);
    } catch (const std::bad_alloc&) {
        noMemory();
        code = 1;
    }
    std::cout.flush();
    if (onOutputFailure == OutputFailure::IGNORED || std::cout.good()) return code;
    if (onOutputFailure == OutputFailure::REPORTED) {
        std::cerr << "Error: Could not write the output\n";
    }
    return 1;
}
