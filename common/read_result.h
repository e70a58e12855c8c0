// What reading a project file came to.
#pragma once

enum class ReadResult {
    OK,
    NEGATIVE_COUNT,  // a count in the file is below zero
    NO_MEMORY,       // the arrays cannot be allocated
    INVALID,  // the file ends early, its counts and indices do not fit together, or it holds a
              // real that is not finite
};
