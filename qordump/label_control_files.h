// The label file (classes and characteristic names) and the control file (every restriction
// as declared), read back and checked.
//
// Both files are int32 and float64, little-endian, no padding, each array after the count
// that gives its length, and nothing after the last record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/binary_data_file.h"
#include "common/input_file.h"

inline constexpr int32_t MAX_CLASSES = 15;

// One class of the label file: its size and, for a class declared with names, the name of
// each characteristic by 0-based index. Names are arbitrary bytes without a zero byte.
struct ClassLabels {
    int32_t size = 0;
    bool named = false;
    std::vector<char> nameBytes;     // the names, each followed by a zero byte
    std::vector<int32_t> nameStart;  // size entries when named: where each name begins

    std::string_view name(int32_t index) const {
        return std::string_view(nameBytes.data() + nameStart[static_cast<std::size_t>(index)]);
    }
};

struct LabelFile {
    std::vector<ClassLabels> classes;
};

// One record of the control file.
struct DeclaredRestriction {
    int32_t type = 0;  // BoundType: 1 to 4 hard, above 4 weak
    double lowerValue = 0.0;
    double upperValue = 0.0;
    std::vector<int32_t> columns;  // ascending, each below the cell count
    std::vector<double> coefficients;
};

struct ControlFile {
    int32_t tableSize = 0;
    std::vector<DeclaredRestriction> restrictions;
};

// At most MAX_CLASSES classes; sizes not negative; `named` 0 or 1; a named class has exactly
// `size` zero-terminated names in its name bytes. INVALID also for bytes after the last class.
ReadResult readLabelFile(InputFile& file, LabelFile& labels);

// Every record has a relation code above 0, at least one entry, and strictly ascending
// columns below `cellCount`. INVALID also for bytes after the last record.
ReadResult readControlFile(InputFile& file, ControlFile& control, int32_t cellCount);
