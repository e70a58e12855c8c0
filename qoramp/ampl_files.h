// The three AMPL files of a project: the model, the read commands that load its data, and the
// numbers those commands read, in the order they read them.
//
// Indices in all three files are 1-based: row j of the hard record is row j + 1, column c is
// cell c + 1.
#pragma once

#include <string>

#include "common/binary_data_file.h"
#include "qoramp/export_input.h"
#include "qoramp/qoramp_error.h"

// What the files are written from; every part already checked.
struct AmplProblem {
    const BaseView& cells;  // as read: the model's bounds are modelLower and modelUpper
    const RowsView& hard;   // as read and validated
    const RowLists& rows;   // grouped without failure
    bool weighted;          // rows carry their coefficients instead of being plain sums
};

// Each creates (or replaces) its file and writes it completely: OK, CANNOT_OPEN (nothing is
// left behind) or CANNOT_WRITE.
QorampError writeModelFile(const std::string& path, const AmplProblem& problem);
QorampError writeCommandFile(const std::string& path, const std::string& numberFilePath,
                             const AmplProblem& problem);
QorampError writeNumberFile(const std::string& path, const AmplProblem& problem);
