// The project files qorlex writes: the label file, the binary data file, the control file, the
// class name file, the statement file and the input record. Each writer returns OK, or
// CANNOT_OPEN_FOR_WRITING when its file cannot be created or fully written, with the system's
// reason in `systemError` when it is given (0 where none is known); a file that was not fully
// written is removed.
#pragma once

#include <string>

#include "common/hard_arrays.h"
#include "common/weak_arrays.h"
#include "qorlex/model/table.h"

// Classes, their sizes and their characteristic names.
ErrorCode writeLabelFile(const Table& table, const std::string& path, int* systemError = nullptr);
// The adjustable cells and the hard and weak matrices: the records' counts, right-hand sides,
// targets, weights and row starts, and the rows' entries from the table's restriction list
// (the records' own entry arrays are not read).
ErrorCode writeBinaryDataFile(const std::string& path, const HardArrays& hard,
                              const WeakArrays& weak, const Table& table,
                              int* systemError = nullptr);
// Every restriction as declared.
ErrorCode writeControlFile(const Table& table, const std::string& path, int* systemError = nullptr);
// The classes' names as declared; no file for classes declared by their count.
ErrorCode writeClassNames(const Table& table, const std::string& path);
// Each restriction's statement as written in the description `descriptionName`, and its line.
ErrorCode writeStatements(const Table& table, const std::string& descriptionName,
                          const std::string& path);
// Removes the class name file, the statement file or the input record of an earlier run (a
// regular file only).
void removeEarlierFile(const std::string& path);
