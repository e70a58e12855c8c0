// The project files qorlex writes: the label file, the binary data file, the control file and
// the class name file. Each writer returns OK, or CANNOT_OPEN_FOR_WRITING when its file cannot be
// created or fully written; a file that was not fully written is removed.
#pragma once

#include <string>

#include "common/hard_arrays.h"
#include "common/weak_arrays.h"
#include "qorlex/model/table.h"

// Classes, their sizes and their characteristic names.
ErrorCode writeLabelFile(const Table& table, const std::string& path);
// The adjustable cells and the hard and weak matrices: the records' counts, right-hand sides,
// targets, weights and row starts, and the rows' entries from the table's restriction list
// (the records' own entry arrays are not read).
ErrorCode writeBinaryDataFile(const std::string& path, const HardArrays& hard,
                              const WeakArrays& weak, const Table& table);
// Every restriction as declared.
ErrorCode writeControlFile(const Table& table, const std::string& path);
// The classes' names as declared; no file for classes declared by their count.
ErrorCode writeClassNames(const Table& table, const std::string& path);
// Removes the class name file of an earlier run (a regular file only).
void removeClassNameFile(const std::string& path);
