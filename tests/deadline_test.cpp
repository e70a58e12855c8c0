// The run's deadline and the looks at it by work done: a loop that counts its work looks at the
// clock at its first call and then once per `every` units, so that a passed deadline stops it
// within that much work wherever it passes.
#include "qorsolve/core/deadline.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Deadline, LooksOncePerSoMuchWorkAndAtTheFirstCall) {
    const struct {
        const char* name;
        int64_t every;
        std::vector<int64_t> work;  // added at each call
        std::vector<int> looks;     // whether the call looks at the clock (1)
    } cases[] = {
        {"the first call, even of no work", 10, {0, 5, 4, 1, 9, 1}, {1, 0, 0, 1, 0, 1}},
        {"more than `every` at once", 10, {3, 25, 1, 10, 0}, {1, 1, 0, 1, 0}},
        {"every call", 1, {1, 1, 1}, {1, 1, 1}},
        {"the default: a look per 2^16 units",
         DEADLINE_LOOK_WORK,
         {1, 32768, 32767, 1, 1},
         {1, 0, 0, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Deadline passed(0.0), never;
        DeadlineLooks atPassed(passed, c.every), atNever(never, c.every);
        for (size_t call = 0; call < c.work.size(); ++call) {
            // A passed deadline is seen exactly where a call looks.
            EXPECT_EQ(atPassed.passed(c.work[call]), c.looks[call] == 1) << "call " << call;
            EXPECT_FALSE(atNever.passed(c.work[call])) << "call " << call;
        }
    }
}

}  // namespace
