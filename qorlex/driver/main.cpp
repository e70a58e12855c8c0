// qorlex tablefile project
#include <csignal>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "qorlex/driver/qorlex_run.h"

int main(int argc, char** argv) {
    // With a file-size limit, a write past it fails like a full disk instead of ending
    // the program: the writer then removes its partial file and reports it.
    std::signal(SIGXFSZ, SIG_IGN);
    int status = 1;
    try {
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        status = runQorlex(args, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::cerr << "Not enough memory\n";
        status = 1;
    }
    std::cout.flush();
    return std::cout.good() ? status : 1;
}
