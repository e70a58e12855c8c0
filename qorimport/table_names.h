// The names a table description gives the classes and characteristics of an imported table.
#pragma once

#include <string>
#include <vector>

#include "qorimport/base_table.h"
#include "qorimport/import_error.h"

struct TableNames {
    std::vector<std::string> classes;
    // Per class its characteristics' names; none for a class declared by its count, whose
    // characteristics the description gives by number.
    std::vector<std::vector<std::string>> characteristics;

    bool named(std::size_t k) const { return !characteristics[k].empty(); }
    // The name or number by which the description gives characteristic `i` of class `k`.
    std::string characteristic(std::size_t k, int32_t i) const {
        return named(k) ? characteristics[k][static_cast<std::size_t>(i)] : std::to_string(i + 1);
    }
};

// Names for every class and characteristic (name_generation.h), the characteristics' led by
// the first letter of their class's. Where the names do not all fit the translator's name
// store, the classes with the most name bytes are declared by their count instead, each with
// a note.
TableNames nameTable(const ImportedTable& table, std::vector<ImportMessage>& notes);
