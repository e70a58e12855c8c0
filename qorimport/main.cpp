// qorimport [options] BASE.csv PROJECT
#include <iostream>
#include <string>
#include <vector>

#include "common/program_frame.h"
#include "qorimport/qorimport_run.h"

int main(int argc, char** argv) {
    return runProgram(
        argc, argv,
        [](const std::vector<std::string>& args) { return runQorimport(args, std::cout); },
        [] { std::cout << "Error: Not enough memory\n"; }, OutputFailure::EXIT_1);
}
