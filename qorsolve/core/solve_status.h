// The status of a solve in two levels: whether the call itself worked, and, when it did, what
// it found out about its model and why it stopped. Out-of-memory and a library's failure are
// facts about the call, never outcomes of the model, so every stage passes them on the same
// way. Every stage says what it found in these words: the table's solves, the heuristics that
// look for a table, and the conflict search and its checked verdicts on sub-problems.
#pragma once

#include <string>
#include <utility>

enum class CallStatus {
    OK,         // the call ran to an answer; the model status says which
    NO_MEMORY,  // memory ran out; nothing the call found may be used
    // The model's numbers (costs, coefficients) lie beyond what the solver can take; nothing
    // was solved. A fact about the solver, not the model: another one might take them.
    OUT_OF_RANGE,
    FAILED,  // the method or library gave up; `failure` says why when it is known
};

// What a call that ran found out about its model.
enum class ModelStatus {
    OPTIMAL,             // the point is the proven optimum
    FEASIBLE,            // the point meets every row and bound; the search stopped before
                         // proving it optimal (see the stop reason, bound and gap)
    NO_POINT,            // the search stopped before any point met every row and bound
    INFEASIBLE,          // no real-valued point meets the rows and bounds: a ray proves it
    INTEGER_INFEASIBLE,  // real-valued points exist, whole-number ones do not
    UNBOUNDED,           // the objective falls without end
    NOT_CONVERGED,       // the method stalled, or its answer did not pass its check: whether
                         // a point exists is open
};

// Why a search that could have gone on stopped.
enum class StopReason {
    NONE,        // it ran to its answer
    TIME_LIMIT,  // the wall-clock limit passed
    WORK_LIMIT,  // the work limit passed (work_limit.h)
};

struct SolveStatus {
    CallStatus call = CallStatus::FAILED;
    ModelStatus model = ModelStatus::NO_POINT;
    StopReason stop = StopReason::NONE;
    std::string failure;  // FAILED: the reason, for the user, without a line end; may be empty

    bool ok() const { return call == CallStatus::OK; }
    // True when the call ran and found `found`.
    bool is(ModelStatus found) const { return ok() && model == found; }
    bool operator==(const SolveStatus&) const = default;
};

// The status of a call that ran, with what it found and why it stopped.
inline SolveStatus modelStatus(ModelStatus model, StopReason stop = StopReason::NONE) {
    SolveStatus status;
    status.call = CallStatus::OK;
    status.model = model;
    status.stop = stop;
    return status;
}

// The status of a call that did not run to an answer.
inline SolveStatus callStatus(CallStatus call, std::string failure = {}) {
    SolveStatus status;
    status.call = call;
    status.failure = std::move(failure);
    return status;
}
