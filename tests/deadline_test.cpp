// The run's deadline and the looks at it by work done: a loop that counts its work looks at the
// clock at its first call and then once per `every` units, so that a passed deadline stops it
// within that much work wherever it passes.
#include "qorsolve/deadline.h"

#include <gtest/gtest.h>

#include <cmath>
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

TEST(Deadline, SoonerKeepsTheClockAndMovesOnlyAFiniteLimit) {
    const Deadline ten(10.0);
    const Deadline six = ten.sooner(4.0);
    EXPECT_TRUE(six.limited());
    EXPECT_FALSE(six.passed());
    EXPECT_LE(six.remaining(), 6.0);
    EXPECT_GT(six.remaining(), 5.0);
    EXPECT_TRUE(Deadline(1.0).sooner(2.0).passed());
    // Without a limit there is none sooner; nor is one moved by what is not a positive time.
    EXPECT_FALSE(Deadline().sooner(4.0).limited());
    for (double seconds : {0.0, -3.0, double(NAN)}) {
        EXPECT_GT(ten.sooner(seconds).remaining(), 9.0) << seconds;
    }
}

}  // namespace
