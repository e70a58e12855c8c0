// The members a conflict search starts from, and the orders in which it tries to drop them:
// hard rows with the finite bounds of the cells they use, default bounds before declared
// restrictions, so that where the search has a choice it keeps what the user declared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "qorsolve/conflict/conflict_types.h"
#include "qorsolve/problem/adjustment_problem.h"

class ConflictMembers {
  public:
    explicit ConflictMembers(const AdjustmentProblem& problem) : problem_(problem) {}

    // Every hard row with the finite bounds of its cells; see ofRows.
    std::vector<ConflictMember> all(const std::vector<double>& rowOrder = {}) const;
    // The given rows and the finite bounds of the cells they use: bounds first (default
    // bounds before declared ones), then the rows in ascending `rowOrder` (one value per hard
    // row; empty: as given), so that a deletion filter keeps the last where it has a choice.
    std::vector<ConflictMember> ofRows(const std::vector<int32_t>& rows,
                                       const std::vector<double>& rowOrder) const;
    // The rows among `members`, the rows through the cells of its declared bounds, and the
    // finite bounds of every cell they cover.
    std::vector<ConflictMember> widened(const std::vector<ConflictMember>& members) const;
    // Rows over more than one cell, widest first; then default bounds; then declared bounds
    // and single-cell rows; within each, earlier declared first.
    std::vector<ConflictMember> wideFirst(std::vector<ConflictMember> members) const;
    // How many of `members` are default bounds (no restriction declared them).
    std::size_t defaultBounds(const std::vector<ConflictMember>& members) const;

  private:
    void addBounds(std::vector<ConflictMember>& members, const std::vector<int32_t>& columns) const;
    std::size_t cellsOf(const ConflictMember& member) const;
    int32_t sourceOf(const ConflictMember& member) const;

    const AdjustmentProblem& problem_;
};
