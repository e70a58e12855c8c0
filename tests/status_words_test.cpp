// The words users read for each status, and the lines of a run without a table.
#include "qorsolve/output/status_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(StatusWords, EachStatusHasItsWordsAndLines) {
    using enum ModelStatus;
    const std::string noTable = "No table that meets every restriction was found within the ";
    const struct {
        ModelStatus model;
        StopReason stop;
        std::string text;  // statusText(statusLines(model, stop))
    } cases[] = {
        {OPTIMAL, StopReason::NONE, "status: optimal\n"},
        // A table that a limit left unproven, and restrictions that can all hold.
        {FEASIBLE, StopReason::TIME_LIMIT, "status: time limit\n"},
        {FEASIBLE, StopReason::WORK_LIMIT, "status: work limit\n"},
        {FEASIBLE, StopReason::NONE, "status: feasible\n"},
        {NO_POINT, StopReason::TIME_LIMIT, "status: time limit\n" + noTable + "time limit.\n"},
        {NO_POINT, StopReason::WORK_LIMIT, "status: work limit\n" + noTable + "work limit.\n"},
        {INFEASIBLE, StopReason::NONE, "status: infeasible\n"},
        {INTEGER_INFEASIBLE, StopReason::NONE,
         "status: integer infeasible\n"
         "Real numbers can meet every restriction and bound, whole numbers cannot.\n"},
        {UNBOUNDED, StopReason::NONE, "status: unbounded\n"},
        {NOT_CONVERGED, StopReason::NONE, "status: not converged\n"},
    };
    for (const auto& c : cases) {
        const StatusLines lines = statusLines(c.model, c.stop);
        EXPECT_EQ(lines.status, statusWord(c.model, c.stop)) << c.text;
        EXPECT_EQ(statusText(lines), c.text);
    }
}

// The lines after the status line as they are printed, each with its line end.
TEST(StatusWords, LinesAfterTheStatusLine) {
    StatusLines status = statusLines(ModelStatus::INFEASIBLE);
    status.lines = {"conflict: 1 restriction cannot hold", "", "advice: check it"};
    EXPECT_EQ(statusText(status),
              "status: infeasible\nconflict: 1 restriction cannot hold\n\nadvice: check it\n");
}

}  // namespace
