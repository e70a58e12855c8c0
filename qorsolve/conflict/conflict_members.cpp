#include "qorsolve/conflict/conflict_members.h"

#include <algorithm>
#include <cmath>

namespace {

using Kind = ConflictMember::Kind;

bool isBound(const ConflictMember& member) {
    return member.kind != Kind::HARD_ROW;
}

}  // namespace

void ConflictMembers::addBounds(std::vector<ConflictMember>& members,
                                const std::vector<int32_t>& columns) const {
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t j : columns) {
            const auto c = static_cast<std::size_t>(j);
            const bool declaredLower = problem_.lowerSource[c] > 0;
            const bool declaredUpper = problem_.upperSource[c] > 0;
            if (std::isfinite(problem_.lower[c]) && declaredLower == (pass == 1)) {
                members.push_back({Kind::CELL_LOWER, j});
            }
            if (std::isfinite(problem_.upper[c]) && declaredUpper == (pass == 1)) {
                members.push_back({Kind::CELL_UPPER, j});
            }
        }
    }
}

std::vector<ConflictMember> ConflictMembers::all(const std::vector<double>& rowOrder) const {
    std::vector<int32_t> rows(static_cast<std::size_t>(problem_.hard.rowCount()));
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int32_t>(i);
    return ofRows(rows, rowOrder);
}

std::vector<ConflictMember> ConflictMembers::ofRows(const std::vector<int32_t>& given,
                                                    const std::vector<double>& rowOrder) const {
    std::vector<char> usedRow(static_cast<std::size_t>(problem_.hard.rowCount()), 0);
    std::vector<char> usedColumn(static_cast<std::size_t>(problem_.cellCount()), 0);
    for (int32_t i : given) {
        if (i < 0 || i >= problem_.hard.rowCount()) continue;
        const auto r = static_cast<std::size_t>(i);
        usedRow[r] = 1;
        for (int64_t e = problem_.hard.start[r]; e < problem_.hard.start[r + 1]; ++e) {
            usedColumn[static_cast<std::size_t>(
                problem_.hard.column[static_cast<std::size_t>(e)])] = 1;
        }
    }
    std::vector<int32_t> columns;
    for (std::size_t j = 0; j < usedColumn.size(); ++j) {
        if (usedColumn[j]) columns.push_back(static_cast<int32_t>(j));
    }
    std::vector<ConflictMember> members;
    addBounds(members, columns);
    std::vector<int32_t> rows;
    for (std::size_t i = 0; i < usedRow.size(); ++i) {
        if (usedRow[i]) rows.push_back(static_cast<int32_t>(i));
    }
    if (!rowOrder.empty()) {
        std::stable_sort(rows.begin(), rows.end(), [&rowOrder](int32_t a, int32_t b) {
            return rowOrder[static_cast<std::size_t>(a)] < rowOrder[static_cast<std::size_t>(b)];
        });
    }
    for (int32_t i : rows) members.push_back({Kind::HARD_ROW, i});
    return members;
}

std::vector<ConflictMember> ConflictMembers::widened(
    const std::vector<ConflictMember>& members) const {
    std::vector<char> boundCell(static_cast<std::size_t>(problem_.cellCount()), 0);
    std::vector<char> row(static_cast<std::size_t>(problem_.hard.rowCount()), 0);
    for (const ConflictMember& m : members) {
        if (m.kind == Kind::HARD_ROW) row[static_cast<std::size_t>(m.index)] = 1;
        if (isBound(m) && sourceOf(m) > 0) boundCell[static_cast<std::size_t>(m.index)] = 1;
    }
    std::vector<int32_t> rows;
    for (int32_t i = 0; i < problem_.hard.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        for (int64_t e = problem_.hard.start[r]; e < problem_.hard.start[r + 1] && !row[r]; ++e) {
            if (boundCell[static_cast<std::size_t>(
                    problem_.hard.column[static_cast<std::size_t>(e)])]) {
                row[r] = 1;
            }
        }
        if (row[r]) rows.push_back(i);
    }
    return ofRows(rows, {});
}

std::size_t ConflictMembers::cellsOf(const ConflictMember& member) const {
    if (member.kind != Kind::HARD_ROW) return 1;
    const auto row = static_cast<std::size_t>(member.index);
    return static_cast<std::size_t>(problem_.hard.start[row + 1] - problem_.hard.start[row]);
}

int32_t ConflictMembers::sourceOf(const ConflictMember& member) const {
    const auto i = static_cast<std::size_t>(member.index);
    switch (member.kind) {
        case Kind::HARD_ROW:
            return problem_.hardSource[i];
        case Kind::CELL_LOWER:
            return problem_.lowerSource[i];
        case Kind::CELL_UPPER:
            return problem_.upperSource[i];
    }
    return 0;
}

std::size_t ConflictMembers::defaultBounds(const std::vector<ConflictMember>& members) const {
    return static_cast<std::size_t>(
        std::count_if(members.begin(), members.end(),
                      [this](const ConflictMember& m) { return isBound(m) && sourceOf(m) <= 0; }));
}

std::vector<ConflictMember> ConflictMembers::wideFirst(std::vector<ConflictMember> members) const {
    const auto rank = [this](const ConflictMember& m) {
        if (m.kind == Kind::HARD_ROW && cellsOf(m) > 1) return 0;
        return isBound(m) && sourceOf(m) <= 0 ? 1 : 2;
    };
    std::stable_sort(members.begin(), members.end(),
                     [&](const ConflictMember& a, const ConflictMember& b) {
                         const int ra = rank(a);
                         const int rb = rank(b);
                         if (ra != rb) return ra < rb;
                         if (ra == 0 && cellsOf(a) != cellsOf(b)) return cellsOf(a) > cellsOf(b);
                         return sourceOf(a) < sourceOf(b);
                     });
    return members;
}
