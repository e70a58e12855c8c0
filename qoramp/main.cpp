#include <iostream>
#include <string>
#include <vector>

#include "common/program_frame.h"
#include "qoramp/qoramp_run.h"

int main(int argc, char** argv) {
    return runProgram(
        argc, argv,
        [](const std::vector<std::string>& args) { return runQoramp(args, std::cout, std::cerr); },
        [] { std::cout << "Error: Could not generate qor data arrays\n"; }, OutputFailure::IGNORED);
}
