// The three AMPL files of a project: the model, the read commands that load its data, and the
// numbers those commands read, in the order they read them.
//
// Indices in all three files are 1-based: row j of the hard record is row j + 1, column c is
// cell c + 1.
#pragma once

#include <string>

#include "common/base_arrays.h"
#include "common/hard_arrays.h"
#include "qoramp/export_input.h"

// What the files are written from; every part already checked.
struct AmplProblem {
    const BaseArrays& cells;  // bounds clamped
    const HardArrays& hard;   // as read and validated
    const RowLists& rows;     // sorted without failure
    bool weighted;            // rows carry their coefficients instead of being plain sums
};

enum class WriteResult {
    OK,
    CANNOT_CREATE,  // the file could not be created; nothing is left behind
    CANNOT_WRITE,   // a write or the close failed; the partial file has been removed
};

// Each creates (or truncates) its file, writes it completely and closes it.
WriteResult writeModelFile(const std::string& path, const AmplProblem& problem);
WriteResult writeCommandFile(const std::string& path, const std::string& numberFilePath,
                             const AmplProblem& problem);
WriteResult writeNumberFile(const std::string& path, const AmplProblem& problem);
