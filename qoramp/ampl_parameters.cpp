#include "qoramp/ampl_parameters.h"

namespace {

using enum Presence;

// In the order the command file reads them and the number file holds them. The right-hand
// sides are declared even without rows, and the number file keeps the four row lines then,
// empty.
// clang-format off
constexpr AmplParameter PARAMETERS[] = {
    // names         over    declared    read        written     values                  ends line
    {"COLS, ROWS, NNZ", "",     ALWAYS,     ALWAYS,     ALWAYS,     Values::SIZES,          true},
    {"base",            "COLS", ALWAYS,     ALWAYS,     ALWAYS,     Values::BASE,           true},
    {"lbv",             "COLS", ALWAYS,     ALWAYS,     ALWAYS,     Values::LOWER_BOUNDS,   true},
    {"ubv",             "COLS", ALWAYS,     ALWAYS,     ALWAYS,     Values::UPPER_BOUNDS,   true},
    {"rght",            "ROWS", ALWAYS,     WITH_ROWS,  ALWAYS,     Values::RIGHT_SIDES,    true},
    {"start",           "ROWS", WITH_ROWS,  WITH_ROWS,  ALWAYS,     Values::ROW_STARTS,     true},
    {"length",          "ROWS", WITH_ROWS,  WITH_ROWS,  ALWAYS,     Values::ROW_LENGTHS,    true},
    {"colind",          "NNZ",  WITH_ROWS,  WITH_ROWS,  ALWAYS,     Values::COLUMNS,        true},
    {"coef",            "NNZ",  WEIGHTED,   WEIGHTED,   WEIGHTED,   Values::COEFFICIENTS,   true},
    {"NEQ, NLO, NUP",   "",     WITH_ROWS,  WITH_ROWS,  WITH_ROWS,  Values::RELATION_SIZES, true},
    {"eq",              "NEQ",  WITH_EQUAL, WITH_EQUAL, WITH_EQUAL, Values::EQUAL_ROWS,     false},
    {"lo",              "NLO",  WITH_LOWER, WITH_LOWER, WITH_LOWER, Values::LOWER_ROWS,     false},
    {"up",              "NUP",  WITH_UPPER, WITH_UPPER, WITH_UPPER, Values::UPPER_ROWS,     false},
};
// clang-format on

}  // namespace

std::span<const AmplParameter> amplParameters() {
    return PARAMETERS;
}

bool isPresent(Presence presence, const AmplProblem& problem) {
    const RowLists& rows = problem.rows;
    switch (presence) {
        case ALWAYS:
            return true;
        case WITH_ROWS:
            return rows.hasRestrictions();
        case WEIGHTED:
            return rows.hasRestrictions() && problem.weighted;
        case WITH_EQUAL:
            return !rows.equalRows.empty();
        case WITH_LOWER:
            return !rows.lowerRows.empty();
        case WITH_UPPER:
            return !rows.upperRows.empty();
    }
    return false;
}
