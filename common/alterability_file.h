// The alterability file: how freely each cell of a table may move, given by the user for
// qorsolve (with --alterability, or as `<project>-alt.csv` beside the project files).
//
// Layout: a CSV file (comma-separated, fields quoted where they hold a comma or a quote, a
// byte-order mark first and CR LF line ends accepted). Its header names some of the classes
// and the coefficient column, `alterability`, in any order:
//   Region,Season,alterability
// A class is named by its name in the class name file, by its label in the names file, or as
// `class1`, `class2`, ... by its number. Each further line sets the coefficient of the cells
// it covers: those of the characteristic it names in each class of the header (by its name in
// the label file, its label in the names file, or its number from 1 in a class declared by
// its count). A blank field, or "_", and a class the header does not name cover all the
// class's characteristics. Later lines override earlier ones; a cell no line covers keeps 1.
// Coefficients are finite and not negative. Blank lines are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/label_file.h"
#include "common/names_file.h"

// The coefficient column's name in the header.
inline constexpr std::string_view ALTERABILITY_COLUMN = "alterability";

// The names a file may use for a table's classes and characteristics.
struct AlterabilityNames {
    const LabelFile& labels;
    const std::vector<std::string>& classNames;  // one per class, or empty
    const NamesFile* names = nullptr;            // the names file, where the project has one
};

// Reads the file's text (`path` only for the messages): into `coefficients`, one per cell of
// `cellIndex` (the cells' numbers in the full table, the last class varying fastest). False,
// with `message` set to "path:line: what is wrong" (without a line end), for an empty file, a
// header that names no class or the coefficient column twice, a column that names neither (with
// the nearest name where one is near), a line with another number of fields than the header, a
// characteristic its class does not have (likewise), and a coefficient that is no number, not
// finite or negative; also when memory runs out. Throws nothing.
bool readAlterability(std::string_view path, std::string_view text, const AlterabilityNames& names,
                      const std::vector<int32_t>& cellIndex, std::vector<double>& coefficients,
                      std::string& message);

// As readAlterability, the file opened and read whole first; a file that cannot be opened is
// "path: the system's reason".
bool readAlterabilityFile(const std::string& path, const AlterabilityNames& names,
                          const std::vector<int32_t>& cellIndex, std::vector<double>& coefficients,
                          std::string& message);
