// Runs the whole translation (scan, generation, the three writers) on the fuzzer's bytes
// as a table description. A plain number file and a delimited file stand beside it.
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

#include "common/allocation.h"
#include "fuzz/scratch_directory.h"
#include "qorlex/driver/qorlex_run.h"

namespace {

void writeText(const std::string& path, std::string_view text) {
    writeScratchFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string& dir = scratchDirectory();
    std::string numbers;
    for (int i = 0; i < 64; ++i) numbers += std::to_string(i % 7) + (i % 5 == 0 ? "\n" : " ");
    writeText(dir + "values.txt", numbers);
    writeText(dir + "data.csv", "1;1;5\n2;1;7.5\r\n1;2;0\nA;b;3\n\n2;2;-1\n3;1;1e3");
    writeText(dir + "tab.txt", "1\t1\t4\n2\t2\t9\n");
    // Descriptions may name any file; running in the scratch directory keeps relative
    // names there.
    if (chdir(dir.c_str()) != 0) return 1;
    // Tables of up to a few million cells are worth exploring; larger ones only show
    // that allocation failures are handled.
    allocationLimit = std::size_t{64} << 20;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Device and process files can be endless or block; they are no base tables.
    for (std::string_view special : {"/dev", "/proc", "/sys"}) {
        if (text.find(special) != std::string_view::npos) return 0;
    }
    const std::string& dir = scratchDirectory();
    writeScratchFile(dir + "table.txt", data, size);
    std::ostringstream out, err;
    runQorlex({dir + "table.txt", dir + "project"}, out, err);
    return 0;
}
