// qordump [--json] [--cells] [--rows] <project>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "qordump/qordump_run.h"

int main(int argc, char** argv) {
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
