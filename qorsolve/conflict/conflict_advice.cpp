#include "qorsolve/conflict/conflict_advice.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "qorsolve/conflict/conflict_explanation.h"
#include "qorsolve/continuous/equality_fit.h"
#include "qorsolve/continuous/real_valued.h"
#include "qorsolve/core/settings.h"

namespace {

constexpr double NOT_KNOWN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = INFINITE_BOUND;
// The whole table is solved once per member while members times cells stays within this
// (a 100,000-cell table with 50 members); beyond it the members alone are solved.
constexpr double WHOLE_TABLE_WORK = 5e6;
// Objectives (and changes) this close, relative, are equal: the solver meets its
// conditions to 1e-9, relative. Below TIE_FLOOR in size, figures are 0 alike.
constexpr double TIE = 1e-6;
constexpr double TIE_FLOOR = 1e-12;

using Kind = ConflictMember::Kind;

bool sameFigure(double a, double b) {
    if (std::isinf(a) || std::isinf(b)) return a == b;
    return std::fabs(a - b) <= TIE * std::max({std::fabs(a), std::fabs(b)}) + TIE_FLOOR;
}

// Moves member k's value of `problem` (indices as in `members`) by `shift` in the direction
// that ends the conflict (a value read from below goes down, one read from above goes up);
// an equality moves as a whole. Called again with -shift it undoes the move.
void moveMember(AdjustmentProblem& problem, const ConflictMember& member, double multiplier,
                double shift) {
    const double by = multiplier > 0.0 ? -shift : shift;
    const auto i = static_cast<std::size_t>(member.index);
    switch (member.kind) {
        case Kind::HARD_ROW: {
            const bool equal = problem.hardLower[i] == problem.hardUpper[i];
            if (multiplier > 0.0 || equal) problem.hardLower[i] += by;
            if (multiplier < 0.0 || equal) problem.hardUpper[i] += by;
            break;
        }
        case Kind::CELL_LOWER:
        case Kind::CELL_UPPER: {
            // A restriction that set both bounds of the cell to one value moves both.
            const bool equal = problem.lower[i] == problem.upper[i] &&
                               problem.lowerSource[i] == problem.upperSource[i];
            if (member.kind == Kind::CELL_LOWER || equal) problem.lower[i] += by;
            if (member.kind == Kind::CELL_UPPER || equal) problem.upper[i] += by;
            break;
        }
    }
}

// The value of the side of the member that the proof uses.
double memberValue(const AdjustmentProblem& problem, const ConflictMember& member,
                   double multiplier) {
    const auto i = static_cast<std::size_t>(member.index);
    switch (member.kind) {
        case Kind::HARD_ROW:
            return multiplier > 0.0 ? problem.hardLower[i] : problem.hardUpper[i];
        case Kind::CELL_LOWER:
            return problem.lower[i];
        case Kind::CELL_UPPER:
            return problem.upper[i];
    }
    return 0.0;
}

// The members alone: their rows and bounds over the cells they cover, every other bound
// free, no weak rows. `members` is rewritten to the sub-problem's indices.
AdjustmentProblem membersAlone(const AdjustmentProblem& problem,
                               std::vector<ConflictMember>& members) {
    AdjustmentProblem sub;
    // The cells' cost as the whole problem's: its distance and each cell's coefficient.
    sub.objective.setDistance(problem.objective.distance());
    const bool weighted = !problem.objective.coefficients().empty();
    std::vector<double> coefficients;
    std::vector<int32_t> local(static_cast<std::size_t>(problem.cellCount()), -1);
    const auto localOf = [&](int32_t column) {
        int32_t& l = local[static_cast<std::size_t>(column)];
        if (l < 0) {
            l = sub.cellCount();
            const auto c = static_cast<std::size_t>(column);
            sub.base.push_back(problem.base[c]);
            if (weighted) coefficients.push_back(problem.cellCost(c).coefficient());
            sub.lower.push_back(-INF);
            sub.upper.push_back(INF);
            sub.lowerSource.push_back(problem.lowerSource[c]);
            sub.upperSource.push_back(problem.upperSource[c]);
        }
        return l;
    };
    for (ConflictMember& member : members) {
        const auto i = static_cast<std::size_t>(member.index);
        if (member.kind == Kind::HARD_ROW) {
            for (int64_t e = problem.hard.start[i]; e < problem.hard.start[i + 1]; ++e) {
                const auto entry = static_cast<std::size_t>(e);
                sub.hard.column.push_back(localOf(problem.hard.column[entry]));
                sub.hard.value.push_back(problem.hard.value[entry]);
            }
            sub.hard.start.push_back(static_cast<int64_t>(sub.hard.column.size()));
            sub.hardLower.push_back(problem.hardLower[i]);
            sub.hardUpper.push_back(problem.hardUpper[i]);
            sub.hardSource.push_back(problem.hardSource[i]);
            member.index = sub.hard.rowCount() - 1;
        } else {
            const int32_t l = localOf(member.index);
            const auto c = static_cast<std::size_t>(l);
            if (member.kind == Kind::CELL_LOWER) sub.lower[c] = problem.lower[i];
            if (member.kind == Kind::CELL_UPPER) sub.upper[c] = problem.upper[i];
            member.index = l;
        }
    }
    if (weighted) sub.objective.setCoefficients(std::move(coefficients));
    return sub;
}

// The objective of each candidate member's correction over `problem`: finite, infinity
// (the problem stays infeasible) or NaN. `change` per member.
std::vector<double> correctionObjectives(AdjustmentProblem& problem,
                                         const std::vector<ConflictMember>& members,
                                         const ConflictResult& conflict,
                                         const std::vector<double>& change,
                                         const std::vector<std::size_t>& candidates,
                                         const Deadline& deadline,
                                         const LinearSolverFactory& newSolver) {
    std::vector<double> objective(members.size(), NOT_KNOWN);
    ContinuousOptions options;
    options.deadline = deadline;
    options.newSolver = newSolver;
    for (std::size_t k : candidates) {
        if (deadline.passed()) break;
        const double shift = change[k];
        moveMember(problem, members[k], conflict.multiplier[k], shift);
        // Equalities whose values still disagree after the move are a quick "no": finding
        // that out from the full solve would take far longer.
        const EqualityFit fit = fitEqualities(problem, deadline);
        if (!fit.consistent && fit.converged) {
            moveMember(problem, members[k], conflict.multiplier[k], -shift);
            objective[k] = INF;
            continue;
        }
        const ContinuousResult result = solveRealValued(problem, options);
        moveMember(problem, members[k], conflict.multiplier[k], -shift);
        if (result.status.model == ModelStatus::OPTIMAL) objective[k] = result.objective;
        if (result.status.model == ModelStatus::INFEASIBLE) objective[k] = INF;
    }
    return objective;
}

std::string lineName(const ConflictLine& line) {
    return line.type == ConflictLine::Type::RESTRICTION
               ? "restriction " + std::to_string(line.number)
               : "hard row " + std::to_string(line.number + 1);
}

// "restrictions 1 and 4", or each named where they are not all restrictions.
std::string groupName(const std::vector<const ConflictLine*>& group) {
    const bool restrictions = std::all_of(group.begin(), group.end(), [](const ConflictLine* line) {
        return line->type == ConflictLine::Type::RESTRICTION;
    });
    if (restrictions) {
        std::vector<int32_t> numbers;
        for (const ConflictLine* line : group) numbers.push_back(line->number);
        std::sort(numbers.begin(), numbers.end());
        return (numbers.size() == 1 ? "restriction " : "restrictions ") + numberListText(numbers);
    }
    std::string text;
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (i > 0) text += i + 1 == group.size() ? " and " : ", ";
        text += lineName(*group[i]);
    }
    return text;
}

// Finite objectives first, then infinite ones, then unknown ones.
int objectiveClass(double objective) {
    if (std::isnan(objective)) return 2;
    return std::isinf(objective) ? 1 : 0;
}

}  // namespace

void rankConflict(const AdjustmentProblem& problem, ConflictResult& conflict,
                  const Deadline& deadline, const LinearSolverFactory& newSolver) {
    const std::size_t count = conflict.members.size();
    conflict.objective.assign(count, NOT_KNOWN);
    if (conflict.multiplier.size() != count || conflict.memberChange.size() != count) return;
    std::vector<std::size_t> candidates;
    for (std::size_t k = 0; k < count; ++k) {
        const ConflictMember& member = conflict.members[k];
        const auto i = static_cast<std::size_t>(member.index);
        const int32_t source = member.kind == Kind::HARD_ROW     ? 1
                               : member.kind == Kind::CELL_LOWER ? problem.lowerSource[i]
                                                                 : problem.upperSource[i];
        const double change = conflict.memberChange[k];
        if (source > 0 && std::isfinite(change) && change > 0.0 &&
            std::isfinite(conflict.multiplier[k]) && conflict.multiplier[k] != 0.0) {
            candidates.push_back(k);
        }
    }
    if (candidates.empty()) return;
    // The least changes as the proof gives them: moved by exactly that, an equality meets the
    // others exactly, where a change off by rounding would leave them apart.
    double gap = 0.0;
    for (std::size_t k = 0; k < count; ++k) {
        gap += conflict.multiplier[k] *
               memberValue(problem, conflict.members[k], conflict.multiplier[k]);
    }
    std::vector<double> change = conflict.memberChange;
    for (std::size_t k : candidates) {
        const double exact = gap / std::fabs(conflict.multiplier[k]);
        if (std::fabs(exact - change[k]) <= SAME_CHANGE * std::fabs(exact)) change[k] = exact;
    }
    const double work =
        static_cast<double>(candidates.size()) * static_cast<double>(problem.cellCount());
    if (work <= WHOLE_TABLE_WORK) {
        AdjustmentProblem whole = problem;
        conflict.objective = correctionObjectives(whole, conflict.members, conflict, change,
                                                  candidates, deadline, newSolver);
        conflict.objectiveOfWholeTable = true;
        for (std::size_t k : candidates) {
            if (std::isfinite(conflict.objective[k])) return;
        }
    }
    std::vector<ConflictMember> members = conflict.members;
    AdjustmentProblem alone = membersAlone(problem, members);
    conflict.objective =
        correctionObjectives(alone, members, conflict, change, candidates, deadline, newSolver);
    conflict.objectiveOfWholeTable = false;
}

std::string adviceText(const ConflictResult& conflict, const std::vector<ConflictLine>& lines) {
    const bool notReduced =
        conflict.status.model == ModelStatus::INFEASIBLE && !conflict.irreducible;
    if (notReduced && conflict.status.stop == StopReason::WORK_LIMIT) {
        return "advice: the set could not be reduced within the work limit; allow more work "
               "with --work-limit to narrow it down\n";
    }
    if (notReduced) {
        return "advice: the set could not be reduced in time; allow more time with "
               "--time-limit to narrow it down\n";
    }
    std::vector<const ConflictLine*> ranked;
    for (const ConflictLine& line : lines) {
        if (line.type != ConflictLine::Type::BOUND) ranked.push_back(&line);
    }
    if (ranked.empty()) return "advice: check the cell bounds listed above\n";
    const auto better = [](const ConflictLine* a, const ConflictLine* b) {
        const int ca = objectiveClass(a->objective);
        const int cb = objectiveClass(b->objective);
        if (ca != cb) return ca < cb;
        if (ca == 0) {
            // Equally good corrections are equally likely, whatever their size.
            return !sameFigure(a->objective, b->objective) && a->objective < b->objective;
        }
        const bool ka = !std::isnan(a->change);
        const bool kb = !std::isnan(b->change);
        if (ka != kb) return ka;
        if (ka && !sameFigure(a->change, b->change)) return a->change < b->change;
        return false;
    };
    std::stable_sort(ranked.begin(), ranked.end(), better);
    std::vector<const ConflictLine*> group;
    for (const ConflictLine* line : ranked) {
        if (!group.empty() && better(group.front(), line)) break;
        group.push_back(line);
    }
    const ConflictLine& best = *group.front();
    if (std::isnan(best.change)) {
        return "advice: check " + groupName(group) + (group.size() == 1 ? " first" : "") +
               (conflict.wholeNumbers
                    ? "; whole numbers cannot meet the listed restrictions together\n"
                    : "\n");
    }
    if (group.size() > 1) {
        const bool sameChange = std::all_of(
            group.begin(), group.end(),
            [&best](const ConflictLine* line) { return sameFigure(line->change, best.change); });
        if (sameChange && group.size() == 2) {
            return "advice: " + groupName(group) + " disagree by " + figureText(best.change) +
                   "; check either\n";
        }
        if (sameChange) {
            return "advice: " + groupName(group) + " fit the rest equally well: changing any one " +
                   "of them by " + figureText(best.change) + " alone lets the others hold; " +
                   "check each\n";
        }
        std::string text = "advice: changing ";
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (i > 0) text += i + 1 == group.size() ? " or " : ", ";
            text += lineName(*group[i]) + " by " + figureText(group[i]->change);
        }
        return text + " alone fits the rest equally well; check " +
               (group.size() == 2 ? "either\n" : "each\n");
    }
    std::string text = "advice: check " + lineName(best) + " first: changing its value by " +
                       figureText(best.change) + " alone lets the others hold";
    if (std::isfinite(best.objective) && ranked.size() > 1) {
        const ConflictLine& next = *ranked[1];
        if (std::isinf(next.objective) && conflict.objectiveOfWholeTable) {
            text += ", the only such change that lets the whole table be adjusted";
        } else if (std::isfinite(next.objective)) {
            text += std::string(conflict.objectiveOfWholeTable
                                    ? " and moves the table least"
                                    : " and moves the cells of the listed restrictions least") +
                    " (objective " + objectiveText(best.objective) + ", against " +
                    objectiveText(next.objective) + " for " + lineName(next) + ")";
        }
    }
    // The least change alone may belong to another member, one the table fits worse.
    const ConflictLine* least = &best;
    for (const ConflictLine* line : ranked) {
        if (line->change < least->change && !sameFigure(line->change, least->change)) least = line;
    }
    if (least != &best) {
        text +=
            "; " + lineName(*least) + " needs the least change (" + figureText(least->change) + ")";
    }
    return text + "\n";
}
