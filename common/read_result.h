// What reading a project file came to.
#pragma once

enum class ReadResult {
    OK,
    // A count in the file is below zero.
    NEGATIVE_COUNT,
    // The arrays cannot be allocated.
    NO_MEMORY,
    // The file ends early, its counts and indices do not fit together, or it holds a real
    // that is not finite.
    INVALID,
};
