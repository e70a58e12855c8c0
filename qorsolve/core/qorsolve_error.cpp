#include "qorsolve/core/qorsolve_error.h"

#include <cstring>

namespace {

// The system's reason, or the one qorsolve gives for a path that is not a regular file.
std::string reason(int systemError) {
    return systemError == 0 ? std::string("Not a regular file") : std::strerror(systemError);
}

}  // namespace

std::string errorMessage(const QorsolveError& error) {
    const std::string& path = error.subject;
    const std::string left = error.removing ? "; not removed\n" : "; not overwritten\n";
    switch (error.fault) {
        case QorsolveFault::NONE:
            return "";
        case QorsolveFault::UNKNOWN_OPTION:
            return "Error: Unknown option " + error.subject + "\n";
        case QorsolveFault::TIME_LIMIT_VALUE:
            return "Error: --time-limit needs a positive number of seconds\n";
        case QorsolveFault::WORK_LIMIT_VALUE:
            return "Error: --work-limit needs a positive whole number\n";
        case QorsolveFault::REPORT_WITHOUT_NAME:
            return "Error: --report needs a file name\n";
        case QorsolveFault::WEAK_SCALE_VALUE:
            return "Error: --weak-scale needs a positive number\n";
        case QorsolveFault::RATIO_BOUNDS_VALUE:
            return "Error: --ratio-bounds needs L:U, two numbers with 0 <= L <= 1 <= U\n";
        case QorsolveFault::ALTERABILITY_VALUE:
            return "Error: --alterability needs a file name\n";
        case QorsolveFault::DISTANCE_VALUE:
            return "Error: --distance needs chi2, raking or absolute\n";
        case QorsolveFault::REPEATED_OPTION:
            return "Error: " + error.subject + " may be given only once\n";
        case QorsolveFault::UNEXPECTED_ARGUMENT:
            return "Error: Unexpected argument " + error.subject +
                   " (qorsolve adjusts one project at a time)\n";
        case QorsolveFault::CANNOT_OPEN:
            return "Error: Could not open file " + path + ": " + reason(error.systemError) + "\n";
        case QorsolveFault::CANNOT_CREATE:
            return "Error: Could not create file " + path + ": " + reason(error.systemError) + "\n";
        case QorsolveFault::CANNOT_READ:
            return "Error: Could not read file " + path + ": " + reason(error.systemError) + left;
        case QorsolveFault::CANNOT_WRITE:
            return "Error: Could not write to " + path +
                   (error.systemError == 0 ? std::string()
                                           : std::string(": ") + std::strerror(error.systemError)) +
                   "\n";
        case QorsolveFault::CANNOT_LOCK:
            return "Error: Could not lock file " + path + ": " + reason(error.systemError) + "\n";
        case QorsolveFault::LOCKED:
            return "Error: Another qorsolve is adjusting " + error.other + " (it holds " + path +
                   "); try again when it has ended\n";
        case QorsolveFault::LOCK_IN_THE_WAY:
            return "Error: " + path + " is " + error.other +
                   ", where qorsolve keeps the project's lock file; remove or rename it\n";
        case QorsolveFault::READ_ONLY:
            return "Error: " + path + " is read-only" + left;
        case QorsolveFault::NOT_OURS:
            return "Error: " + path + " was not written by qorsolve" + left;
        case QorsolveFault::SAME_FILE:
            return "Error: " + path + " and " + error.other +
                   " are the same file; not overwritten\n";
        case QorsolveFault::INVALID_BINARY_FILE:
            return "Error: Invalid binary data file " + path + "\n";
        case QorsolveFault::CONTROL_DOES_NOT_FIT:
            return "Error: Control file " + path + " does not fit binary data file " + error.other +
                   "\n";
        case QorsolveFault::INCONSISTENT_BOUNDS:
            return "Error: Inconsistent bounds: " + error.subject + "\n";
        case QorsolveFault::NEGATIVE_WEAK_WEIGHT:
            return "Error: Weak restriction " + error.subject + " has a negative weight\n";
        case QorsolveFault::INVALID_ALTERABILITY:
            return "Error: " + error.subject + "\n";
        case QorsolveFault::NO_MEMORY_TO_SET_UP:
            return "Error: Not enough memory to set up the adjustment\n";
        case QorsolveFault::NOT_CONVERGED:
            return "Error: The real-valued adjustment did not converge\n";
        case QorsolveFault::NO_MEMORY:
            return "Error: Not enough memory\n";
        case QorsolveFault::NO_MEMORY_TO_ADJUST:
            return "Error: Not enough memory to adjust the table\n";
        case QorsolveFault::COSTS_TOO_LARGE:
            return "Error: The costs of the whole-number adjustment are too large for the "
                   "solver; --continuous adjusts the table in real numbers\n";
        case QorsolveFault::VALUES_TOO_LARGE:
            return "Error: Values of the whole-number adjustment lie beyond 2^53, where whole "
                   "numbers are not exact; --continuous adjusts the table in real numbers\n";
        case QorsolveFault::SOLVER_FAILED:
            return "Error: The solver failed\n";
        case QorsolveFault::OUTPUT_WITHOUT_PREFIX:
            return "Error: --output needs a prefix for the result files' names, such as "
                   "results/p-real\n";
        case QorsolveFault::SEPARATOR_VALUE:
            return "Error: --sep needs one of , ; or tab\n";
        case QorsolveFault::DECIMAL_COMMA_WITH_COMMA:
            return "Error: --decimal-comma needs another separator than the comma: --sep ';' "
                   "or --sep tab\n";
        case QorsolveFault::OUTPUT_IS_FOLDER:
            return "Error: --output " + path + " is a folder; it needs a prefix for the " +
                   "result files' names, such as " + error.other + "\n";
        case QorsolveFault::OUTPUT_IS_PROJECT_FILE:
            return "Error: --output " + path + " is a file of the project; it needs a " +
                   "prefix for the result files' names\n";
        case QorsolveFault::OUTPUT_IS_OTHER_PROJECT:
            return "Error: --output " + path + " names another project (" + error.other +
                   "), whose results these would pass for\n";
        case QorsolveFault::OUTPUT_FOLDER:
            return "Error: Could not create the result files of --output " + error.other + " in " +
                   path + ": " + reason(error.systemError) + "\n";
    }
    return "";
}
