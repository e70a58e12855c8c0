// Runs the project reading, the cross-checks between the three files and both printers on
// the fuzzer's bytes, split into a label file, a binary data file and a control file at each
// PROJECT_FILE_SEPARATOR. Without a second separator the project has no control file.
#include <sstream>
#include <string>
#include <string_view>

#include "common/allocation.h"
#include "fuzz/fuzz_setup.h"
#include "qordump/qordump_run.h"

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
        runQordump({format, project}, out);
    }
    return 0;
}
