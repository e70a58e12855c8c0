// qorsolve [--continuous] [--ignore-weak] [--time-limit SECONDS] [--conflicts-only]
//          [--all-cells] [--report FILE.html] [--quiet] <project>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "common/program_frame.h"
#include "qorsolve/core/qorsolve_error.h"
#include "qorsolve/qorsolve_run.h"

int main(int argc, char** argv) {
    return runProgram(
        argc, argv,
        [](const std::vector<std::string>& args) {
            return runQorsolve(args, std::cout, isatty(STDERR_FILENO) != 0);
        },
        [] { std::cout << errorMessage({QorsolveFault::NO_MEMORY}); }, OutputFailure::REPORTED);
}
