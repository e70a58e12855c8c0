// The label file `<project>-lbl.dat`: the classes of the table, their sizes and the names of
// their characteristics. qorlex writes it; qordump and qorsolve read it back, checked.
//
// Layout: classCount, then per class its size and `named` (0 or 1), and for a named class
// the byte count of its names and the names, index 0 first, each followed by a zero byte.
// int32 little-endian, no padding, nothing after the last class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/input_file.h"
#include "common/output_file.h"
#include "common/read_result.h"
#include "common/table_limits.h"

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

// Writes the label file class by class, straight from the caller's model.
class LabelFileWriter {
  public:
    explicit LabelFileWriter(std::string path) : file_(std::move(path)) {}

    // Creates the file and writes the class count. False when it cannot be created.
    bool open(int32_t classCount);
    void writeUnnamedClass(int32_t size);
    // A class of names.size() characteristics, named in index order.
    void writeNamedClass(std::span<const std::string_view> names);
    // False (and the file removed) when any write failed.
    bool commit() { return file_.commit(); }
    // The system's reason the open or the commit failed; 0 where none is known.
    int error() const { return file_.error(); }

  private:
    OutputFile file_;
};

// At most MAX_CLASSES classes; sizes not negative; `named` 0 or 1; a named class has exactly
// `size` zero-terminated names in its name bytes. INVALID also for bytes after the last class.
ReadResult readLabelFile(InputFile& file, LabelFile& labels);
