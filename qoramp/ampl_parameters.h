// The parameters of the AMPL files, once: the model file declares them, the command file
// reads them and the number file holds their values, all three walking this one table, so
// that the files cannot drift apart.
#pragma once

#include <span>
#include <string_view>

#include "qoramp/ampl_files.h"

// When a parameter is in a file.
enum class Presence {
    ALWAYS,
    WITH_ROWS,   // there is at least one hard row
    WEIGHTED,    // there are rows and some coefficient is not 1
    WITH_EQUAL,  // there is an "=" row
    WITH_LOWER,  // there is a ">=" row
    WITH_UPPER,  // there is a "<=" row
};

// Which numbers the number file holds for a parameter.
enum class Values {
    SIZES,           // COLS, ROWS, NNZ
    BASE,            // per cell
    LOWER_BOUNDS,    // per cell
    UPPER_BOUNDS,    // per cell
    RIGHT_SIDES,     // per row
    ROW_STARTS,      // per row, 1-based
    ROW_LENGTHS,     // per row
    COLUMNS,         // per entry, 1-based
    COEFFICIENTS,    // per entry
    RELATION_SIZES,  // NEQ, NLO, NUP
    EQUAL_ROWS,      // 1-based row numbers
    LOWER_ROWS,
    UPPER_ROWS,
};

struct AmplParameter {
    // A scalar group ("COLS, ROWS, NNZ", over nothing) is declared one name a line and read
    // by one command; an indexed parameter ("base" over "COLS") is declared and read over
    // 1..its set.
    std::string_view names;
    std::string_view over;
    Presence declared;  // in the model file
    Presence read;      // in the command file
    Presence written;   // a line of the number file (empty when there is nothing to hold)
    Values values;
    bool endsLine;  // the numbers end their line; the row lists share the last one
};

std::span<const AmplParameter> amplParameters();

// Whether `presence` holds for `problem`.
bool isPresent(Presence presence, const AmplProblem& problem);
