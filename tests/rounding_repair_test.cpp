// The rounding and repair on its own, not behind the programme that follows it: a table it
// reports meets every hard row and cell bound by the rule of exact_rows.h, it finds one on
// small tables where brute force knows one exists, and it reports none where none exists,
// where its time is up, and for arguments that do not fit the problem.
#include "qorsolve/integer/rounding_repair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qorsolve/problem/exact_rows.h"
#include "tests/address_space.h"
#include "tests/solver_fixtures.h"

namespace {

constexpr double TWO_53 = LARGEST_WHOLE;

struct Ranges {
    std::vector<double> lower, upper;
};

Ranges wholeRanges(const AdjustmentProblem& p) {
    Ranges r;
    for (std::size_t j = 0; j < p.base.size(); ++j) {
        const auto [lower, upper] = wholeRange(p.lower[j], p.upper[j]);
        r.lower.push_back(lower);
        r.upper.push_back(upper);
    }
    return r;
}

// A table reported found is whole, within the ranges and meets every row exactly.
void expectSound(const AdjustmentProblem& p, const Ranges& r, const RoundingResult& result) {
    if (!result.status.is(ModelStatus::FEASIBLE)) return;
    ASSERT_EQ(result.x.size(), p.base.size());
    EXPECT_TRUE(meetsHardRowsAndBounds(p, result.x));
    for (std::size_t j = 0; j < result.x.size(); ++j) {
        EXPECT_EQ(result.x[j], std::round(result.x[j])) << "cell " << j;
        EXPECT_GE(result.x[j], r.lower[j]) << "cell " << j;
        EXPECT_LE(result.x[j], r.upper[j]) << "cell " << j;
    }
}

AdjustmentProblem withBase(AdjustmentProblem p, std::vector<double> base, double upper = INF) {
    p.base = std::move(base);
    p.upper.assign(p.base.size(), upper);
    return p;
}

TEST(RoundingRepair, RepairsWhatRoundingBreaksAndNeverReportsABrokenTable) {
    struct Case {
        std::string name;
        AdjustmentProblem problem;  // rounded from its base
        double cap;                 // brute force over 0..cap per cell; 0: no brute force
        bool mustFind;              // a table exists and the repair must find it
    };
    const Case cases[] = {
        {"a total the rounding misses",
         withBase(problemWithRows(4, {{{0, 1, 2, 3}, {1, 1, 1, 1}, 6, 6}}), {1.5, 1.5, 1.5, 1.5}),
         6, true},
        {"fractional coefficients",
         withBase(problemWithRows(2, {{{0, 1}, {0.5, 1.5}, 4, 4}}), {1.2, 2.3}, 6), 6, true},
        {"inequalities and a range",
         withBase(
             problemWithRows(
                 3, {{{0, 1}, {1, 1}, 5, INF}, {{0, 1}, {1, -1}, -INF, 1}, {{1, 2}, {1, 1}, 2, 3}}),
             {2.4, 2.4, 0.4}, 6),
         6, true},
        {"the far side of a wide range does not loosen the near one",
         withBase(problemWithRows(2, {{{0, 1}, {0.5, 0.5}, 0.6, 1e12}}), {0.2, 0.2}, 6), 6, true},
        {"no rows: the rounding itself", withBase(problemWithRows(2, {}), {1.4, 2.6}, 6), 6, true},
        {"an even sum cannot be odd",
         withBase(problemWithRows(2, {{{0, 1}, {2, 2}, 5, 5}}), {1.2, 1.3}, 6), 6, false},
        {"the bounds leave too little",
         withBase(problemWithRows(2, {{{0, 1}, {1, 1}, 10, 10}}), {5, 5}, 4), 4, false},
        // 2^53 + 2^53 + 1 is 2^54 in a double: only the exact rule sees the row missed.
        {"a miss by one beyond 2^53",
         withBase(problemWithRows(3, {{{0, 1, 2}, {1, 1, 1}, 2 * TWO_53, 2 * TWO_53}}),
                  {TWO_53, TWO_53, 1}, TWO_53),
         0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Ranges r = wholeRanges(c.problem);
        const RoundingResult result =
            roundAndRepair(c.problem, c.problem.base, r.lower, r.upper, Deadline());
        ASSERT_NE(result.status.call, CallStatus::NO_MEMORY);
        expectSound(c.problem, r, result);
        if (c.cap > 0) {
            const bool exists = std::isfinite(bruteForce(c.problem, c.cap).cost);
            EXPECT_EQ(exists, c.mustFind);
            if (!exists) {
                EXPECT_EQ(result.status, modelStatus(ModelStatus::NO_POINT));
            }
        }
        if (c.mustFind) {
            EXPECT_EQ(result.status, modelStatus(ModelStatus::FEASIBLE));
        }
        const RoundingResult again =
            roundAndRepair(c.problem, c.problem.base, r.lower, r.upper, Deadline());
        EXPECT_EQ(again.status, result.status);
        EXPECT_EQ(again.x, result.x);
    }
}

TEST(RoundingRepair, RepairsTheMarginsOfGeneratedTables) {
    for (const std::vector<int32_t>& sizes : {std::vector<int32_t>{4, 4, 3}, {5, 3, 3, 2}}) {
        for (uint64_t seed : {1u, 2u, 3u}) {
            SCOPED_TRACE(testing::Message() << sizes.size() << " classes, seed " << seed);
            // Bases with fractions, so that the rounded table misses margins.
            const MarginTable m = marginTable(sizes, 0, seed, [](std::mt19937_64& random) {
                const double value = 1.0 + static_cast<double>(random() % 30);
                return std::pair(value + static_cast<double>(random() % 9 + 1) / 10.0, value);
            });
            const Ranges r = wholeRanges(m.problem);
            std::vector<double> rounded(m.problem.base.size());
            for (std::size_t j = 0; j < rounded.size(); ++j) {
                rounded[j] = std::nearbyint(m.problem.base[j]);
            }
            ASSERT_FALSE(meetsHardRowsAndBounds(m.problem, rounded));
            const RoundingResult result =
                roundAndRepair(m.problem, m.problem.base, r.lower, r.upper, Deadline());
            EXPECT_EQ(result.status, modelStatus(ModelStatus::FEASIBLE));
            expectSound(m.problem, r, result);
        }
    }
}

TEST(RoundingRepair, NoTableWithoutTimeOrForArgumentsThatDoNotFit) {
    const AdjustmentProblem p =
        withBase(problemWithRows(2, {{{0, 1}, {1, 1}, 3, 3}}), {1.5, 1.5}, 6);
    const Ranges r = wholeRanges(p);
    const std::vector<double> center = {1.5, 1.5};  // rounds to 4
    EXPECT_EQ(roundAndRepair(p, center, r.lower, r.upper, Deadline()).status,
              modelStatus(ModelStatus::FEASIBLE));
    const struct {
        const char* what;
        std::vector<double> center, lower, upper;
        Deadline deadline;
    } cases[] = {
        {"time is up", center, r.lower, r.upper, Deadline(0.0)},
        {"a cell short", {1.5}, r.lower, r.upper, Deadline()},
        {"a range short", center, r.lower, {6}, Deadline()},
        {"not a number", {1.5, NAN}, r.lower, r.upper, Deadline()},
        {"an empty range", center, {0, 4}, {6, 3}, Deadline()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(roundAndRepair(p, c.center, c.lower, c.upper, c.deadline).status,
                  modelStatus(ModelStatus::NO_POINT))
            << c.what;
    }
}

TEST(RoundingRepair, MemoryThatRunsOutIsAStatus) {
    // Two million cells over one total: the repair's own arrays need far more than the
    // 16 MiB left to it.
    const int32_t cells = 2'000'000;
    std::vector<int32_t> columns(cells);
    for (int32_t j = 0; j < cells; ++j) columns[j] = j;
    AdjustmentProblem p = problemWithRows(
        cells, {{columns, std::vector<double>(cells, 1.0), 1.0 * cells + 1, 1.0 * cells + 1}});
    const Ranges r = wholeRanges(p);
    CallStatus call = CallStatus::OK;
    {
        const AddressSpaceLimit limit(16 << 20);
        if (!limit.active()) GTEST_SKIP() << "the address space cannot be limited here";
        call = roundAndRepair(p, p.base, r.lower, r.upper, Deadline()).status.call;
    }
    EXPECT_EQ(call, CallStatus::NO_MEMORY);
}

}  // namespace
