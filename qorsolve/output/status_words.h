// The words by which users read how a solve ended (core/solve_status.h): the status line of
// the summary, of a run without a table and of the report ("status: optimal"), and the line
// that explains a status without a table. Every output takes its words from here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "qorsolve/core/solve_status.h"

// The status of a call that ran, in one or two words:
//   OPTIMAL             "optimal"
//   FEASIBLE            "time limit" or "work limit", the limit that stopped the search; with
//                       no stop reason "feasible": the restrictions can all hold
//   NO_POINT            "time limit" or "work limit"
//   INFEASIBLE          "infeasible"
//   INTEGER_INFEASIBLE  "integer infeasible"
//   UNBOUNDED           "unbounded"
//   NOT_CONVERGED       "not converged"
std::string_view statusWord(ModelStatus model, StopReason stop = StopReason::NONE);

// "work limit" for WORK_LIMIT, else "time limit": the limit that stopped a search.
std::string_view limitWord(StopReason stop);

// The line printed after the status line of a run without a table, without its line end;
// empty where the status says enough: "No table that meets every restriction was found within
// the time limit." (NO_POINT), "Real numbers can meet every restriction and bound, whole
// numbers cannot." (INTEGER_INFEASIBLE).
std::string statusExplanation(ModelStatus model, StopReason stop = StopReason::NONE);

// What a run without a table shows, printed and reported from the same data: the status word
// and the lines after the status line (the explanation, the conflict), each without its line
// end.
struct StatusLines {
    std::string status;
    std::vector<std::string> lines;
};

// The status and its explanation, when it has one.
StatusLines statusLines(ModelStatus model, StopReason stop = StopReason::NONE);

// "status: WORD" and each line after it, every line with its line end.
std::string statusText(const StatusLines& status);
