#include "qorsolve/integer/row_lattice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

int64_t dot(const std::vector<int64_t>& a, const std::vector<int64_t>& b) {
    int64_t s = 0;
    for (size_t k = 0; k < a.size(); ++k) s += a[k] * b[k];
    return s;
}

// Every whole t in the box [-span, span]^n that solves c . t = value, and only those, is the
// origin plus the basis times its coordinates.
void expectSpansSolutions(const std::vector<int64_t>& c, int64_t value, const RowLattice& l,
                          int64_t span) {
    const size_t n = c.size();
    std::vector<int64_t> t(n, -span);
    int solutions = 0;
    for (;;) {
        if (dot(c, t) == value) {
            ++solutions;
            std::vector<int64_t> rebuilt = l.origin;
            for (size_t b = 0; b < l.basis.size(); ++b) {
                const int64_t z = dot(l.coordinates[b], t) - l.coordinateOffset[b];
                for (size_t k = 0; k < n; ++k) rebuilt[k] += z * l.basis[b][k];
            }
            ASSERT_EQ(rebuilt, t);
        }
        size_t k = 0;
        while (k < n && t[k] == span) t[k++] = -span;
        if (k == n) break;
        ++t[k];
    }
    EXPECT_GT(solutions, 0);
}

TEST(RowLatticeTest, SolvesTheRowAndSpansEverySolution) {
    struct Case {
        std::vector<int64_t> coefficients;
        int64_t value;
        std::vector<double> near;
    };
    const std::vector<Case> cases = {
        {{333, 1500}, 3000 * 3, {9.0, 0.0}},       // gcd 3: every 500th a, every 111th b
        {{3, 2}, 7, {1.0, 2.0}},                   // 3 x + 2 y
        {{-4, 6}, 2, {1.0, 1.0}},                  // a negative coefficient
        {{6, 10, 15}, 31, {1.0, 1.0, 1.0}},        // three, no two coprime
        {{2, 3, -5, 7}, 4, {0.0, 0.0, 0.0, 0.0}},  // four
    };
    for (const Case& c : cases) {
        RowLattice l;
        ASSERT_TRUE(rowLattice(c.coefficients, c.value, c.near, l));
        ASSERT_EQ(l.basis.size(), c.coefficients.size() - 1);
        EXPECT_EQ(dot(c.coefficients, l.origin), c.value);
        for (const std::vector<int64_t>& b : l.basis) EXPECT_EQ(dot(c.coefficients, b), 0);
        expectSpansSolutions(c.coefficients, c.value, l, c.coefficients.size() > 3 ? 6 : 12);
    }
}

TEST(RowLatticeTest, OriginLiesNearThePointGiven) {
    // 111 a + 500 b = 1309620: a moves in steps of 500 along the line; the origin is the
    // solution next to a = 1234.
    RowLattice l;
    ASSERT_TRUE(rowLattice({111, 500}, 1309620, {1234.0, 2345.0}, l));
    EXPECT_EQ(111 * l.origin[0] + 500 * l.origin[1], 1309620);
    EXPECT_LE(std::llabs(l.origin[0] - 1234), 500);
    EXPECT_EQ(dot(l.coordinates[0], l.origin) - l.coordinateOffset[0], 0);
}

TEST(RowLatticeTest, BasisVectorsAreShort) {
    // Euclid's columns alone give (1509000, -1710000, 1) for the first row: a search would
    // branch along a vector a million long.
    const std::vector<std::vector<int64_t>> rows = {{2833, 2500, 3000}, {1500, 333, 250}};
    for (const std::vector<int64_t>& c : rows) {
        RowLattice l;
        ASSERT_TRUE(rowLattice(c, 0, std::vector<double>(c.size(), 0.0), l));
        for (const std::vector<int64_t>& b : l.basis) {
            for (int64_t e : b) EXPECT_LE(std::llabs(e), 500);
        }
        expectSpansSolutions(c, 0, l, 8);
    }
}

TEST(RowLatticeTest, RefusesRowsWithoutALattice) {
    RowLattice l;
    EXPECT_FALSE(rowLattice({2, 4}, 7, {0.0, 0.0}, l));                 // no whole solution
    EXPECT_FALSE(rowLattice({3, 0}, 3, {0.0, 0.0}, l));                 // a coefficient 0
    EXPECT_FALSE(rowLattice({3}, 3, {0.0}, l));                         // one coefficient
    EXPECT_FALSE(rowLattice({3, 5}, 3, {0.0}, l));                      // no point for each sum
    EXPECT_FALSE(rowLattice({int64_t(1) << 41, 3}, 3, {0.0, 0.0}, l));  // too large
    EXPECT_FALSE(rowLattice({3, 5}, int64_t(1) << 60, {0.0, 0.0}, l));  // origin beyond 2^53
}

}  // namespace
