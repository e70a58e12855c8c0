// The progress line on standard error: nothing when disabled or during the first second, then
// one line rewritten in place at most about once a second, ended once by finish().
//
// The first second cannot be skipped (the clock is the run's own): one test waits it out.
#include "qorsolve/core/progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <regex>
#include <string>
#include <thread>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(Progress, SilentWhenDisabledOrDuringTheFirstSecond) {
    const Deadline clock;
    for (bool enabled : {false, true}) {
        Progress progress(clock, enabled);
        CaptureStderr();
        progress.update("rounding", 1.5, 0.5);
        progress.finish();
        EXPECT_EQ(GetCapturedStderr(), "") << enabled;
    }
}

TEST(Progress, OneLineAtMostEverySecondThenItsEnd) {
    const Deadline clock;
    Progress disabled(clock, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(1050));
    const struct {
        const char* phase;
        double best;
        double bound;
        const char* line;  // the line without its seconds
    } cases[] = {
        {"integer", 123456.789, 0.25, "\rinteger      best 123456.79      bound 0.25          "},
        {"rounding", NAN, INFINITY, "\rrounding     best -              bound -             "},
        {"a phase longer than twelve", -1e-9, 3,
         "\ra phase longer than twelve best -1e-09         bound 3             "},
    };
    for (const auto& c : cases) {
        Progress fresh(clock, true);
        CaptureStderr();
        fresh.update(c.phase, c.best, c.bound);
        fresh.update(c.phase, c.best, c.bound);  // within the same second: not printed
        fresh.finish();
        fresh.finish();  // the line ends once
        const std::string printed = GetCapturedStderr();
        ASSERT_TRUE(printed.starts_with(c.line)) << printed;
        EXPECT_TRUE(std::regex_match(printed.substr(std::string(c.line).size()),
                                     std::regex(" *[0-9]+\\.[0-9] s\n")))
            << printed;
    }
    CaptureStderr();
    disabled.update("integer", 1, 0);
    disabled.finish();
    EXPECT_EQ(GetCapturedStderr(), "");
}

}  // namespace
