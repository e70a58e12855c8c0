// Turns the restriction list into the hard and weak matrices and folds single-cell
// bounds into the cell bounds.
#pragma once

#include "common/hard_arrays.h"
#include "common/weak_arrays.h"
#include "qorlex/model/table.h"

// Fills `hard` and `weak` (both empty on entry) from the restrictions of `table`, and sets
// the lower/upper bounds of cells that single-cell restrictions of codes 1 to 3 bound.
// OK, WEAK_WEIGHTS_ZERO, NO_MEMORY_HARD_ARRAYS or NO_MEMORY_WEAK_ARRAYS.
ErrorCode generateArrays(Table& table, HardArrays& hard, WeakArrays& weak);

// generateArrays without the rows' entries: the records' columnIndex and coefficient arrays
// stay empty, since the entries stand in the restriction list in row order already and the
// binary data file's writer takes them from there.
ErrorCode generateRows(Table& table, HardArrays& hard, WeakArrays& weak);

// Frees every array of both records and empties them.
void releaseArrays(HardArrays& hard, WeakArrays& weak);
