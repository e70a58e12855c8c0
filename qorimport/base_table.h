// The base table of a spreadsheet file: a header line that names the classes and the value
// column, then one line per cell with a label for each class and the cell's value. Each class's
// characteristics are its labels in the order they first appear.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "qorimport/import_error.h"
#include "qorimport/import_options.h"

// Finds labels by their text without copying the text looked for.
struct LabelHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>()(text);
    }
};
using LabelIndex = std::unordered_map<std::string, int32_t, LabelHash, std::equal_to<>>;

struct ImportedClass {
    std::string label;                // its column's name
    std::vector<std::string> labels;  // its characteristics in order of first appearance
    std::vector<int64_t> firstLines;  // the line each appears on first
    LabelIndex index;                 // label -> 0-based characteristic

    int32_t size() const { return static_cast<int32_t>(labels.size()); }
    // The characteristic a label names; -1 for none.
    int32_t find(std::string_view text) const {
        const auto at = index.find(text);
        return at == index.end() ? -1 : at->second;
    }
};

struct ImportedTable {
    std::string path;  // the base file as given
    int64_t headerLine = 0;
    std::vector<ImportedClass> classes;
    // One cell per line of values, in the file's order: classes.size() characteristics each,
    // its value and its line.
    std::vector<int32_t> characteristics;
    std::vector<double> values;
    std::vector<int64_t> lines;
    int64_t tableSize = 0;  // the product of the class sizes

    std::size_t cellCount() const { return values.size(); }
    const int32_t* cellAt(std::size_t cell) const {
        return characteristics.data() + cell * classes.size();
    }
    // The cell number (the last class varies fastest) of the cell of line `cell`.
    int64_t cellNumber(std::size_t cell) const;
    // "(Zürich, 0-14, weiblich)"; a class that `at` gives as -1 shows as "all".
    std::string cellText(const int32_t* at) const;
};

// Reads the base file of `options`. False, with `error` set, for a file that cannot be read,
// has no header or no cell, a class column that is a number's, more classes than a table may
// have, a line with fewer or more fields than the header, an empty label, a label that
// --total gives the meaning of all characteristics, a value that is not a number or is
// negative, two lines for one cell, or a table whose cells are all 0 or that has more cells
// than a table may have.
// A file that is not UTF-8 gets a note in `notes`.
bool readBaseTable(const ImportOptions& options, ImportedTable& table,
                   std::vector<ImportMessage>& notes, ImportMessage& error);
