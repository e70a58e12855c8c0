// The control file `<project>-ctr.dat`: every restriction as it was declared, before single
// cells became bounds. qorlex writes it; qordump and qorsolve read it back, checked.
//
// Layout: tableSize, restrictionCount, then per restriction type, entryCount, lowerValue,
// upperValue, its columns and its coefficients. int32 and float64 little-endian, no padding,
// nothing after the last record.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/input_file.h"
#include "common/output_file.h"
#include "common/read_result.h"

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

// Writes the control file record by record, straight from the caller's model.
class ControlFileWriter {
  public:
    explicit ControlFileWriter(std::string path) : file_(std::move(path)) {}

    // Creates the file and writes the two counts. False when it cannot be created.
    bool open(int32_t tableSize, int32_t restrictionCount);
    // One record; `columns` and `coefficients` are of the same length.
    void writeRestriction(int32_t type, double lowerValue, double upperValue,
                          std::span<const int32_t> columns, std::span<const double> coefficients);
    // One record whose entries all have `coefficient`.
    void writeRestriction(int32_t type, double lowerValue, double upperValue,
                          std::span<const int32_t> columns, double coefficient);
    // False (and the file removed) when any write failed.
    bool commit() { return file_.commit(); }
    // The system's reason the open or the commit failed; 0 where none is known.
    int error() const { return file_.error(); }

  private:
    OutputFile file_;
};

// Every record has a relation code above 0, at least one entry, and strictly ascending
// columns below `cellCount`. INVALID also for bytes after the last record.
ReadResult readControlFile(InputFile& file, ControlFile& control, int32_t cellCount);
