#include <csignal>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "qoramp/qoramp_run.h"

int main(int argc, char** argv) {
    // A file-size limit then makes the write fail, which is reported, instead of ending the
    // process with a partial file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    int code = 1;
    try {
        std::vector<std::string> args;
        if (argc > 1) args.assign(argv + 1, argv + argc);
        code = runQoramp(args, std::cout);
    } catch (const std::bad_alloc&) {
        std::cout << "Error: Could not generate qor data arrays\n";
        code = 1;
    }
    std::cout.flush();
    return code;
}
