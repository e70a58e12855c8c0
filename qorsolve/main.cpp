// qorsolve [--continuous] [--ignore-weak] [--time-limit SECONDS] [--conflicts-only] [--quiet]
//          <project>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "qorsolve/qorsolve_run.h"

int main(int argc, char** argv) {
    // A file-size limit then makes the write fail, which is reported, instead of ending the
    // process with a partial file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    int code = 1;
    try {
        std::vector<std::string> args;
        if (argc > 1) args.assign(argv + 1, argv + argc);
        code = runQorsolve(args, std::cout, isatty(STDERR_FILENO) != 0);
    } catch (const std::bad_alloc&) {
        std::cout << "Error: Not enough memory\n";
        code = 1;
    }
    std::cout.flush();
    if (!std::cout.good()) {
        std::cerr << "Error: Could not write the output\n";
        return 1;
    }
    return code;
}
