// Runs the whole translation (scan, generation, the three writers) on the fuzzer's bytes
// as a table description, with base files beside it, one of them maybe from the input too.
#include <unistd.h>

#include <sstream>
#include <string>
#include <string_view>

#include "common/allocation.h"
#include "fuzz/fuzz_setup.h"
#include "qorlex/driver/qorlex_run.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string& dir = scratchDirectory();
    writeBaseFiles(dir);
    // Relative names in a description stay inside the scratch directory.
    if (chdir(dir.c_str()) != 0) return 1;
    // Tables of a few million cells are worth exploring; larger ones only show that
    // allocation failures are handled.
    allocationLimit = std::size_t{64} << 20;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (namesSpecialFiles(input)) return 0;
    const std::string& dir = scratchDirectory();
    writeScratchFile(dir + "table.txt", writeOwnBaseFile(dir, input));
    std::ostringstream out, err;
    runQorlex({dir + "table.txt", dir + "project"}, out, err);
    return 0;
}
