// The whole-number solutions of one row of whole coefficients, c . t = r.
//
// Over whole-number cells, a row with decimal coefficients such as
// 0.333 (a) + 1.5 (b) = 3928.86 is the row 333 a + 1500 b = 3928860 of whole ones: the sum a
// may only take every 500th value (1500 / gcd(333, 1500)), and b every 111th. A relaxation in
// real numbers knows nothing of that, and a search that branches on cells needs as many
// branches as the sums have values to find it. The solutions form a lattice,
//
//     t = origin + basis z,  z whole,
//
// with one basis vector fewer than the row has coefficients. A search that branches on z
// needs a few branches instead.
//
// The basis comes from a matrix U of whole numbers with determinant +-1 and c^T U =
// (g, 0, ..., 0), g the greatest common divisor of c, built by Euclid's algorithm on columns:
// U's first column times r / g is a solution, and its other columns span every difference of
// two solutions. Its inverse V gives the coordinates of a solution: z = rows 1.. of V t.
#pragma once

#include <cstdint>
#include <vector>

struct RowLattice {
    std::vector<int64_t> origin;              // a solution
    std::vector<std::vector<int64_t>> basis;  // coefficients - 1 vectors of as many entries
    // coordinates[i] . t, less coordinateOffset[i], is z_i of a solution t.
    std::vector<std::vector<int64_t>> coordinates;
    std::vector<int64_t> coordinateOffset;
};

// Entries of the basis, the coordinates and the origin stay within this in size, so that a
// sum of a few of their products with sums of cells (below 2^53 each) is exact in 128 bits and
// every entry is exact in a double.
inline constexpr int64_t LARGEST_LATTICE_ENTRY = int64_t(1) << 40;

// The lattice of c . t = r, with its origin moved to the solution nearest `near` along each
// basis vector (z of `near` rounded). False when no whole t solves the row (r is no multiple
// of the divisor), when a coefficient is 0, when there are fewer than two coefficients, or
// when an entry would exceed LARGEST_LATTICE_ENTRY.
bool rowLattice(const std::vector<int64_t>& coefficients, int64_t value,
                const std::vector<double>& near, RowLattice& lattice);
