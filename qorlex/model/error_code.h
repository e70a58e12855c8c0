// The error codes of qorlex. Every operation of the scanner, the table model, the array
// generation and the writers returns OK or one of these; only the driver prints them.
#pragma once

enum ErrorCode : int {
    OK = 0,
    WRONG_ORDER = 1,
    UNEXPECTED_END = 2,
    NUMBER_IN_NAME_LIST = 3,
    NAME_IN_USE = 4,
    INDEX_CLASS_ERROR = 5,
    INCOMPLETE_DECLARATION = 6,
    INDEX_OUT_OF_RANGE = 7,
    CLASS_DECLARATIONS_INCOMPLETE = 8,
    NOT_ENOUGH_MEMORY = 9,
    UNFEASIBLE_CHARACTER = 10,
    LIST_TOO_LONG = 11,
    LIST_TOO_SHORT = 12,
    INCOMPLETE_BASE_TABLE = 13,
    ADDITIONAL_BOUND = 14,
    DOUBLE_SCALAR_FACTOR = 15,
    NO_BOUNDS = 16,
    INTERNAL_ERROR = 17,
    BASE_FILE_NOT_FOUND = 18,
    BASE_FILE_INCOMPLETE = 19,
    TOO_MANY_DIMENSIONS = 20,
    NAME_NOT_FOUND = 21,
    INDEX_STACK_TOO_SMALL = 22,
    EMPTY_INDEX_RANGE = 23,
    OVERLAPPING_RANGES = 24,
    BASE_TABLE_ZERO = 25,
    NO_MEMORY_BASE_ARRAYS = 26,
    ZERO_BASE_RESTRICTION = 27,
    NO_MEMORY_RESTRICTION_ARRAYS = 28,
    NO_MEMORY_HARD_ARRAYS = 29,
    NO_MEMORY_WEAK_ARRAYS = 30,
    INFEASIBLE_SINGLE_CELL = 31,
    CANNOT_OPEN_FOR_WRITING = 32,
    NO_MEMORY_COLUMN_SUMS = 33,
    CANNOT_READ_TABLE_FILE = 34,
    NOT_A_TABLE_FILE = 35,
    OVERSIZED_RESTRICTION_LINE = 36,
    PREMATURE_END = 37,
    WEAK_WEIGHTS_ZERO = 38,
    DBF_LINE_TOO_LONG = 39,
    DBF_LINE_INCOMPLETE = 40,
    DBF_INDEX_RANGE = 41,
    DBF_VALUE_ERROR = 42,
    NUMBER_OUT_OF_RANGE = 43,
};

inline constexpr int ERROR_CODE_COUNT = 44;

// The fixed text of each code, indexed by the code.
extern const char* const errorMessages[ERROR_CODE_COUNT];

// The text of `code`, or the text of INTERNAL_ERROR for a number that is no code.
const char* errorMessage(int code);
