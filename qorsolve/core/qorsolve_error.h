// Every way a qorsolve run can fail, and the one place that turns a failure into its message.
// Operations return a QorsolveError (or keep one for the caller); errorMessage alone writes
// the "Error: ..." line, with the file, option or restriction concerned.
#pragma once

#include <string>
#include <utility>

enum class QorsolveFault {
    NONE,
    // The command line.
    UNKNOWN_OPTION,       // subject: the option
    TIME_LIMIT_VALUE,     // --time-limit without a positive number of seconds
    WORK_LIMIT_VALUE,     // --work-limit without a positive whole number
    REPORT_WITHOUT_NAME,  // --report without a file name
    WEAK_SCALE_VALUE,     // --weak-scale without a positive number
    RATIO_BOUNDS_VALUE,   // --ratio-bounds without L:U, 0 <= L <= 1 <= U
    ALTERABILITY_VALUE,   // --alterability without a file name
    DISTANCE_VALUE,       // --distance without chi2, raking or absolute
    REPEATED_OPTION,      // subject: an option that takes a value, given a second time
    UNEXPECTED_ARGUMENT,  // subject: the second project named
    // Files. subject: the path; systemError: the system's reason (0: not a regular file).
    CANNOT_OPEN,
    CANNOT_CREATE,
    CANNOT_READ,   // an earlier output whose first line cannot be read
    CANNOT_WRITE,  // systemError may be 0 when the system gave no reason
    CANNOT_LOCK,
    LOCKED,           // subject: the lock file; other: the project another run adjusts
    LOCK_IN_THE_WAY,  // subject: the lock file's path; other: what stands there instead
    READ_ONLY,        // an earlier output of qorsolve that the user made read-only
    NOT_OURS,         // a file of someone else's where a result goes
    SAME_FILE,        // subject and other name the same file
    // The problem the project describes.
    INVALID_BINARY_FILE,   // subject: the binary data file
    CONTROL_DOES_NOT_FIT,  // subject: the control file; other: the binary data file
    INCONSISTENT_BOUNDS,   // subject: what contradicts itself, as "cell ... must lie between ..."
    NEGATIVE_WEAK_WEIGHT,  // subject: the weak restriction's number
    INVALID_ALTERABILITY,  // subject: "FILE:LINE: what is wrong"
    NO_MEMORY_TO_SET_UP,
    // The solve.
    NOT_CONVERGED,  // the real-valued method stalled and no conflict was found
    NO_MEMORY,      // memory ran out before the run began its work
    NO_MEMORY_TO_ADJUST,
    COSTS_TOO_LARGE,   // the whole-number programme's costs are beyond the solver's range
    VALUES_TOO_LARGE,  // the whole-number programme's values lie beyond 2^53
    SOLVER_FAILED,
    // Where the result files go and their form.
    OUTPUT_WITHOUT_PREFIX,     // --output without a prefix (empty, or a folder alone)
    SEPARATOR_VALUE,           // --sep with another value than those of CSV_SEPARATORS
    DECIMAL_COMMA_WITH_COMMA,  // --decimal-comma with the comma as the separator
    OUTPUT_IS_FOLDER,          // subject: the prefix, an existing folder; other: a prefix in it
    OUTPUT_IS_PROJECT_FILE,    // subject: the prefix, a file of the project
    OUTPUT_IS_OTHER_PROJECT,   // subject: the prefix; other: the other project's label file
    OUTPUT_FOLDER,  // subject: the prefix's folder; other: the prefix; systemError: the reason
};

struct QorsolveError {
    QorsolveError(QorsolveFault fault = QorsolveFault::NONE, std::string subject = {},
                  std::string other = {}, int systemError = 0, bool removing = false)
        : fault(fault),
          subject(std::move(subject)),
          other(std::move(other)),
          systemError(systemError),
          removing(removing) {}

    QorsolveFault fault;
    std::string subject;
    std::string other;
    int systemError;
    // READ_ONLY, NOT_OURS, CANNOT_READ: the earlier file was to be removed, not overwritten.
    bool removing;
};

// The message with its line end; empty for NONE.
std::string errorMessage(const QorsolveError& error);
