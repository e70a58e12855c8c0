// The records of the binary data file, written by qorlex and read by qoramp.
//
// Layout: BaseArrays (tableSize, cellCount, cellIndex, base, lower, upper), then the hard
// record (three counts always, its arrays only when it has rows), then the weak record
// only when it has rows. int32 and float64, little-endian, no padding.
#pragma once

#include "common/base_arrays.h"
#include "common/hard_arrays.h"
#include "common/input_file.h"
#include "common/output_file.h"
#include "common/packed_array.h"
#include "common/read_result.h"
#include "common/weak_arrays.h"

// The entries of a record's rows where they stand elsewhere than in the record's own
// columnIndex and coefficient arrays: each operation writes all of them in row order.
class RowEntries {
  public:
    virtual void writeColumns(OutputFile& file) const = 0;
    virtual void writeCoefficients(OutputFile& file) const = 0;

  protected:
    ~RowEntries() = default;
};

void writeBaseRecord(OutputFile& file, const BaseArrays& base);
// The entries come from `entries`, or from the record when it is null.
void writeHardRecord(OutputFile& file, const HardArrays& hard, const RowEntries* entries = nullptr);
// Writes nothing when the record has no rows.
void writeWeakRecord(OutputFile& file, const WeakArrays& weak, const RowEntries* entries = nullptr);

// The records read in place: the same fields as BaseArrays, HardArrays and WeakArrays, viewing
// the open InputFile they were read from, and valid while it stays open.
struct BaseView {
    int32_t tableSize = 0;
    int32_t cellCount = 0;
    PackedArray<int32_t> cellIndex;
    PackedArray<double> base;
    PackedArray<double> lower;
    PackedArray<double> upper;
};

struct RowsView {
    int32_t rowCount = 0;
    int32_t columnCount = 0;
    int32_t nonzeroCount = 0;
    PackedArray<int32_t> boundType;  // hard rows only
    PackedArray<double> lowerValue;  // hard rows only
    PackedArray<double> upperValue;  // hard rows only
    PackedArray<double> target;      // weak rows only
    PackedArray<double> weight;      // weak rows only
    PackedArray<int32_t> rowStart;
    PackedArray<int32_t> columnIndex;
    PackedArray<double> coefficient;
};

// Each checks its record as the read operations below do, which read through them.
ReadResult viewBaseRecord(InputFile& file, BaseView& base);
ReadResult viewHardRecord(InputFile& file, RowsView& hard, int32_t cellCount);
ReadResult viewWeakRecord(InputFile& file, RowsView& weak, int32_t cellCount);

ReadResult readBaseArrays(InputFile& file, BaseArrays& base);
// Reads the hard record that follows the base record of `cellCount` columns.
ReadResult readHardArrays(InputFile& file, HardArrays& hard, int32_t cellCount);
// Reads the weak record that follows the hard record. At the end of the file there is none:
// OK with an empty record. The weak record is the last of the file, so bytes after it make
// the file INVALID, and so does a record present with no rows (it is written only with rows).
ReadResult readWeakArrays(InputFile& file, WeakArrays& weak, int32_t cellCount);
