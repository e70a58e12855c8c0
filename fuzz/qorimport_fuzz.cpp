// Runs qorimport on the fuzzer's bytes as a base file and a margin file (fuzz_setup.h), through
// to the project files.
#include <sstream>
#include <string>
#include <string_view>

#include "common/allocation.h"
#include "fuzz/fuzz_setup.h"
#include "qorimport/qorimport_run.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratchDirectory();
    allocationLimit = std::size_t{64} << 20;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::ostringstream out;
    runQorimport(importArguments(scratchDirectory(), input), out);
    return 0;
}
