// Which margins sum over at least one cell of a positive base value: a margin over cells that
// are all 0 (or missing from the base file) cannot move, since the translator leaves cells of
// base 0 out of the table it adjusts.
#pragma once

#include <vector>

#include "qorimport/base_table.h"
#include "qorimport/margins.h"

// One flag per margin. The work is at most, for each set of classes that margins fix, the
// smaller of the cells those margins cover and the base table's cells.
std::vector<char> coverPositiveCells(const ImportedTable& table,
                                     const std::vector<Margin>& margins);
