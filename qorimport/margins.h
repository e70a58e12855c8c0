// Published margins: files whose header names some of the base table's classes and a value
// column, one total per line. A class the file does not name is summed over; so is a named one
// whose field is blank or a --total label.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qorimport/base_table.h"
#include "qorimport/import_error.h"
#include "qorimport/import_options.h"

// A class a margin sums over.
inline constexpr int32_t ALL_CHARACTERISTICS = -1;

struct Margin {
    std::vector<int32_t> cells;  // per class: its 0-based characteristic, or ALL_CHARACTERISTICS
    double value = 0.0;
    std::string declared;  // as published: "Region = Zürich, Geschlecht = weiblich: 782070"
    std::size_t file = 0;  // the margin file, by its place in the options
    int64_t line = 0;
};

// Reads every margin file of `options` in order. A margin given again for the same cells
// with the same value is taken once, with a note; one whose cells are all 0 in the base table
// is left out, with a note, when it is 0, since it holds already. False, with `error` set, for
// a file that cannot be read or has no header, a column that is not a class of the base table,
// a line with fewer or more fields than the header, a label the class does not have, a value
// that is not a number or is negative, two margins for the same cells with different values,
// and a margin other than 0 over cells that are all 0.
bool readMargins(const ImportOptions& options, const ImportedTable& table,
                 std::vector<Margin>& margins, std::vector<ImportMessage>& notes,
                 ImportMessage& error);
