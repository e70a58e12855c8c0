// Every way a qoramp run can fail. Each operation returns one of these; qoramp_run.cpp alone
// turns it into the message, with the path of the file concerned.
#pragma once

enum class QorampError {
    OK,
    CANNOT_OPEN,           // the binary data file cannot be opened, or an AMPL file created
    NO_MEMORY,             // the arrays cannot be allocated (or a count is negative)
    INVALID_FILE,          // the binary data file is damaged
    UNDEFINED_BOUND_TYPE,  // a hard row whose relation is not ">=", "<=" or "="
    NON_INTEGER_BOUND,     // a right-hand side with a fraction, or NaN
    BOUND_OUT_OF_RANGE,    // a whole right-hand side without an int32 value (infinity too)
    NOT_OURS,              // an AMPL file's name is taken by a file qoramp did not write
    CANNOT_WRITE,          // a write or the close failed; the partial file has been removed
};
