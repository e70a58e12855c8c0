// Runs both programs that read a whole project on the fuzzer's bytes, split into a label
// file, a binary data file, a control file and a statement file as writeProjectFiles does: qordump
// (reading, the cross-checks between the files, both printers) and qorsolve (the checks of the
// problem, the solvers, the conflict search, the result files and the report). The input's
// length picks whole numbers, real values or the conflict check alone, and a time limit keeps
// each adjustment short.
#include <sstream>
#include <string>
#include <string_view>

#include "common/allocation.h"
#include "fuzz/fuzz_setup.h"
#include "qordump/qordump_run.h"
#include "qorsolve/qorsolve_run.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    allocationLimit = std::size_t{64} << 20;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string project = scratchDirectory() + "project";
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!writeProjectFiles(project, input)) return 0;
    for (const char* format : {"--json", "--"}) {
        std::ostringstream out;
        runQordump({format, project}, out, out);
    }
    const char* modes[] = {"--quiet", "--continuous", "--conflicts-only"};
    std::ostringstream out;
    runQorsolve(
        {"--quiet", modes[size % 3], "--time-limit", "2", "--report", project + ".html", project},
        out, false);
    return 0;
}
