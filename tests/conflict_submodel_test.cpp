// A sub-model of a conflict search: which members a checked ray uses and with what weight,
// and which points show that its active members can hold.
#include "qorsolve/conflict/conflict_submodel.h"

#include <gtest/gtest.h>

#include <vector>

#include "qorsolve/core/settings.h"
#include "tests/solver_fixtures.h"

namespace {

using Kind = ConflictMember::Kind;

// x0 + x1 = 3 (restriction 1) with 0 <= x0, x1 <= 1 (the upper bounds declared by restriction
// 2), and x1 - x2 = 0 (restriction 3).
AdjustmentProblem problem() {
    AdjustmentProblem p = problemWithRows(3, {{{0, 1}, {1, 1}, 3, 3}, {{1, 2}, {1, -1}, 0, 0}});
    p.upper = {1, 1, INF};
    p.upperSource = {2, 2, 0};
    p.hardSource[1] = 3;
    return p;
}

const std::vector<ConflictMember> MEMBERS = {{Kind::CELL_LOWER, 0}, {Kind::CELL_UPPER, 0},
                                             {Kind::CELL_LOWER, 1}, {Kind::CELL_UPPER, 1},
                                             {Kind::HARD_ROW, 0},   {Kind::HARD_ROW, 1}};

TEST(ConflictSubmodel, ACheckedRayNamesTheMembersItUses) {
    const AdjustmentProblem p = problem();
    ConflictSubmodel sub(p, MEMBERS, false);
    struct Case {
        std::vector<double> ray;  // per member row, in member order
        bool certifies;
    };
    // y = (1, 0): x0 + x1 >= 3 against the upper bounds; its negation proves it as well. A
    // ray through the second row alone proves nothing.
    for (const Case& c : {Case{{1, 0}, true}, Case{{-2, 0}, true}, Case{{0, 1}, false},
                          Case{{1, 1}, false}, Case{{0, 0}, false}}) {
        SCOPED_TRACE(testing::Message() << c.ray[0] << ", " << c.ray[1]);
        std::vector<char> needed;
        std::vector<double> multiplier;
        ASSERT_EQ(sub.certifies(c.ray, needed, multiplier), c.certifies);
        if (!c.certifies) continue;
        EXPECT_EQ(needed, (std::vector<char>{0, 1, 0, 1, 1, 0}));
        EXPECT_EQ(multiplier, (std::vector<double>{0, -1, 0, -1, 1, 0}));
    }
    // Without the upper bound of x1 nothing is proven.
    sub.setActive(3, false, nullptr);
    std::vector<char> needed;
    std::vector<double> multiplier;
    EXPECT_FALSE(sub.certifies({1, 0}, needed, multiplier));
}

TEST(ConflictSubmodel, PointsMeetTheActiveMembersWithinTheSimplexTolerance) {
    const AdjustmentProblem p = problem();
    ConflictSubmodel sub(p, MEMBERS, false);
    sub.setActive(1, false, nullptr);  // x0 free above: (2, 1, 1)
    struct Case {
        std::vector<double> x;  // over the sub-model's columns x0, x1, x2
        bool wholeNumbers;
        bool meets;
    };
    const double within = 0.5 * SIMPLEX_POINT_TOLERANCE;
    const double beyond = 10 * SIMPLEX_POINT_TOLERANCE;
    for (const Case& c : {
             Case{{2, 1, 1}, false, true},
             Case{{2 + within, 1, 1}, false, true},
             Case{{2 + beyond, 1, 1}, false, false},           // misses x0 + x1 = 3
             Case{{2, 1 + beyond, 1 + beyond}, false, false},  // above x1 <= 1
             Case{{2, 1, 1, 0}, false, false},                 // a column too many
             Case{{2 + within, 1, 1}, true, true},             // rounds to (2, 1, 1)
             Case{{2.5, 0.5, 0.5}, true, false},               // meets the rows, not whole
             Case{{2.5, 0.5, 0.5}, false, true},
         }) {
        SCOPED_TRACE(testing::Message() << c.x[0] << " " << c.wholeNumbers);
        EXPECT_EQ(sub.meets(c.x, c.wholeNumbers), c.meets);
    }
}

}  // namespace
