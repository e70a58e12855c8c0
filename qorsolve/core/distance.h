// How a cell's cost measures its distance from its base (the objective, problem/objective.h);
// chosen on the command line (--distance) and carried in SolveSettings.
#pragma once

enum class Distance {
    CHI_SQUARE,  // (x - b)^2 / b, the default
    RAKING,      // b (r ln r - r + 1), r = x / b
    ABSOLUTE,    // |x - b|
};
