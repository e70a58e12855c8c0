// Reads the fuzzer's bytes as an alterability file of a small table of three classes, one of
// them declared by its count, with a names file's labels for another.
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "common/allocation.h"
#include "common/alterability_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    allocationLimit = std::size_t{64} << 20;
    return 0;
}

namespace {

ClassLabels namedClass(const std::vector<std::string>& names) {
    ClassLabels labels;
    labels.size = static_cast<int32_t>(names.size());
    labels.named = true;
    for (const std::string& name : names) {
        labels.nameStart.push_back(static_cast<int32_t>(labels.nameBytes.size()));
        labels.nameBytes.insert(labels.nameBytes.end(), name.begin(), name.end());
        labels.nameBytes.push_back('\0');
    }
    return labels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const LabelFile labels = [] {
        LabelFile file;
        ClassLabels counted;
        counted.size = 3;
        file.classes = {namedClass({"North", "South"}), counted, namedClass({"young", "old"})};
        return file;
    }();
    static const std::vector<std::string> classNames = {"Region", "Sex", "Age"};
    static const NamesFile names = [] {
        NamesFile file;
        NamedClass region;
        region.label = "Région";
        region.characteristics = {{"North", "Nord", ""}, {"South", "Süd", ""}};
        file.classes = {region};
        return file;
    }();
    static const std::vector<int32_t> cells = {0, 1, 2, 4, 5, 7, 8, 9, 11};
    std::vector<double> coefficients;
    std::string message;
    const bool read =
        readAlterability("a.csv", std::string_view(reinterpret_cast<const char*>(data), size),
                         {labels, classNames, &names}, cells, coefficients, message);
    if (read && coefficients.size() != cells.size()) __builtin_trap();
    for (double c : coefficients) {
        if (read && !(c >= 0 && std::isfinite(c))) __builtin_trap();
    }
    return 0;
}
