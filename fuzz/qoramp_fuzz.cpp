// Runs the exporter's reading, checks and writing on the fuzzer's bytes as a binary data
// file.
#include <sstream>
#include <string>
#include <string_view>

#include "common/allocation.h"
#include "fuzz/fuzz_setup.h"
#include "qoramp/qoramp_run.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    allocationLimit = std::size_t{64} << 20;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string project = scratchDirectory() + "project";
    writeScratchFile(project + "-bin.dat",
                     std::string_view(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    runQoramp({project}, out, out);
    return 0;
}
