// qorlex tablefile project
#include <iostream>
#include <string>
#include <vector>

#include "common/program_frame.h"
#include "qorlex/driver/qorlex_run.h"

int main(int argc, char** argv) {
    return runProgram(
        argc, argv,
        [](const std::vector<std::string>& args) { return runQorlex(args, std::cout, std::cerr); },
        [] {
            std::cout.flush();
            std::cerr << "Not enough memory\n";
        },
        OutputFailure::EXIT_1);
}
