#include "qorsolve/conflict/conflict_advice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/solver_fixtures.h"

namespace {

constexpr double NOT_KNOWN = std::numeric_limits<double>::quiet_NaN();

ConflictLine restriction(int32_t number, double change, double objective) {
    return {.number = number, .change = change, .objective = objective};
}

ConflictLine bound(double change) {
    return {.type = ConflictLine::Type::BOUND, .change = change};
}

TEST(ConflictAdvice, NamesTheLikelyMistakeOrATie) {
    struct Case {
        std::string name;
        std::vector<ConflictLine> lines;
        bool wholeTable;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"one correction fits best",
         {restriction(1, 10, 0.347), restriction(2, 10, 0.147), restriction(3, 10, 0.588)},
         true,
         "advice: check restriction 2 first: changing its value by 10 alone lets the others "
         "hold and moves the table least (objective 0.147, against 0.347 for restriction 1)\n"},
        {"the only correction that lets the whole table be adjusted",
         {restriction(8, 63, INF), restriction(15, 63, 15965.3), bound(63)},
         true,
         "advice: check restriction 15 first: changing its value by 63 alone lets the others "
         "hold, the only such change that lets the whole table be adjusted\n"},
        {"two that fit equally well",
         {restriction(1, 10, 10.714285714), restriction(2, 10, 10.714285716), bound(10)},
         true,
         "advice: restrictions 1 and 2 disagree by 10; check either\n"},
        {"three that fit equally well",
         {restriction(1, 5, 1.25), restriction(2, 5, 1.25), restriction(3, 5, 1.25)},
         false,
         "advice: restrictions 1\u20133 fit the rest equally well: changing any one of them by "
         "5 alone lets the others hold; check each\n"},
        {"equally good, different changes",
         {restriction(1, 10, 2.0), restriction(4, 5, 2.0), restriction(6, 5, 3.0)},
         true,
         "advice: changing restriction 1 by 10 or restriction 4 by 5 alone fits the rest "
         "equally well; check either\n"},
        {"the best needs more than another",
         {restriction(1, 10, 0.0), restriction(2, 5, 2.5), restriction(3, 5, 1.25)},
         true,
         "advice: check restriction 1 first: changing its value by 10 alone lets the others "
         "hold and moves the table least (objective 0, against 1.25 for restriction 3); "
         "restriction 3 needs the least change (5)\n"},
        {"no objectives: the least change, and a tie among equal ones",
         {restriction(3, 30, NOT_KNOWN), restriction(1, 100, NOT_KNOWN),
          restriction(2, 30, NOT_KNOWN)},
         false,
         "advice: restrictions 2 and 3 disagree by 30; check either\n"},
        {"a figure at the precision it has",
         {restriction(1, 0.6 - 0.2, NOT_KNOWN), bound(0.6 - 0.2)},
         false,
         "advice: check restriction 1 first: changing its value by 0.4 alone lets the others "
         "hold\n"},
        {"bounds only",
         {bound(1), bound(1)},
         false,
         "advice: check the cell bounds listed above\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConflictResult conflict;
        conflict.irreducible = true;
        conflict.objectiveOfWholeTable = c.wholeTable;
        EXPECT_EQ(adviceText(conflict, c.lines), c.expected);
    }
}

TEST(ConflictAdvice, WholeNumbersAndUnreducedSets) {
    ConflictResult conflict;
    conflict.irreducible = true;
    conflict.wholeNumbers = true;
    EXPECT_EQ(adviceText(conflict, {restriction(1, NOT_KNOWN, NOT_KNOWN),
                                    restriction(2, NOT_KNOWN, NOT_KNOWN)}),
              "advice: check restrictions 1 and 2; whole numbers cannot meet the listed "
              "restrictions together\n");
    conflict.irreducible = false;
    EXPECT_EQ(adviceText(conflict, {restriction(1, NOT_KNOWN, NOT_KNOWN)}),
              "advice: the set could not be reduced in time; allow more time with "
              "--time-limit to narrow it down\n");
    conflict.status.stop = StopReason::WORK_LIMIT;
    EXPECT_EQ(adviceText(conflict, {restriction(1, NOT_KNOWN, NOT_KNOWN)}),
              "advice: the set could not be reduced within the work limit; allow more work with "
              "--work-limit to narrow it down\n");
}

}  // namespace
