// The equality rows' least-squares fit: agreeing values leave no residual, disagreeing ones a
// residual on the rows that disagree, and a fit the deadline stopped proves nothing.
#include "qorsolve/continuous/equality_fit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/solver_fixtures.h"

namespace {

TEST(EqualityFit, AgreesDisagreesOrIsStoppedByTheDeadline) {
    // Two cells and their total; the total's value is 7 when the cells' values agree with it.
    const auto problem = [](double total) {
        return problemWithRows(
            2,
            {{{0}, {1}, 3, 3}, {{1}, {1}, 4, 4}, {{0, 1}, {1, 1}, total, total}, {{0}, {1}, 0, 9}});
    };
    const struct {
        const char* name;
        double total;
        Deadline deadline;
        bool consistent;
        bool converged;
    } cases[] = {
        {"values agree", 7, Deadline(), true, true},
        {"the total disagrees", 8, Deadline(), false, true},
        {"the deadline has passed", 7, Deadline(0.0), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const EqualityFit fit = fitEqualities(problem(c.total), c.deadline);
        EXPECT_EQ(fit.consistent, c.consistent);
        EXPECT_EQ(fit.converged, c.converged);
        if (c.consistent) {
            EXPECT_TRUE(fit.residual.empty());
            continue;
        }
        ASSERT_EQ(fit.residual.size(), 4u);
        EXPECT_EQ(fit.residual[3], 0.0);  // not an equality
        if (c.converged) {
            // The disagreement of 1 shared out over the three equalities, most on the total.
            EXPECT_NEAR(fit.residual[2], 1.0 / 3.0, 1e-9);
            EXPECT_NEAR(std::fabs(fit.residual[0]), 1.0 / 3.0, 1e-9);
        }
    }
}

}  // namespace
