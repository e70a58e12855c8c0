// qordump [--json] [--cells] [--rows] <project>
#include <csignal>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "qordump/qordump_run.h"

int main(int argc, char** argv) {
    // Under a file-size limit the output fails and is reported like any other write error,
    // as in the other two programs, instead of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    int code = 1;
    try {
        std::vector<std::string> args;
        if (argc > 1) args.assign(argv + 1, argv + argc);
        code = runQordump(args, std::cout);
    } catch (const std::bad_alloc&) {
        std::cout << "\nError: Not enough memory\n";
        code = 1;
    }
    std::cout.flush();
    if (!std::cout.good()) {
        std::cerr << "Error: Could not write the output\n";
        return 1;
    }
    return code;
}
