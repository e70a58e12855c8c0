// qordump [--json] [--cells] [--rows] <project>
#include <iostream>
#include <string>
#include <vector>

#include "common/program_frame.h"
#include "qordump/qordump_run.h"

int main(int argc, char** argv) {
    return runProgram(
        argc, argv,
        [](const std::vector<std::string>& args) { return runQordump(args, std::cout, std::cerr); },
        [] { std::cout << "\nError: Not enough memory\n"; }, OutputFailure::REPORTED);
}
