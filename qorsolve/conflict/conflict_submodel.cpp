#include "qorsolve/conflict/conflict_submodel.h"

#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "qorsolve/core/settings.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/numeric_checks.h"

namespace {

constexpr double INF = INFINITE_BOUND;
using Kind = ConflictMember::Kind;

bool isBound(const ConflictMember& member) {
    return member.kind != Kind::HARD_ROW;
}

}  // namespace

ConflictSubmodel::ConflictSubmodel(const AdjustmentProblem& problem,
                                   std::vector<ConflictMember> members, bool wholeNumbers)
    : problem_(&problem), wholeNumbers_(wholeNumbers), members_(std::move(members)) {
    std::vector<int32_t> localColumn(static_cast<std::size_t>(problem.cellCount()), -1);
    const auto localOf = [&](int32_t column) {
        int32_t& local = localColumn[static_cast<std::size_t>(column)];
        if (local < 0) {
            local = static_cast<int32_t>(column_.size());
            column_.push_back(column);
        }
        return local;
    };
    place_.assign(members_.size(), 0);
    for (std::size_t k = 0; k < members_.size(); ++k) {
        const ConflictMember& member = members_[k];
        if (member.kind != Kind::HARD_ROW) continue;
        const auto row = static_cast<std::size_t>(member.index);
        place_[k] = model_.rows.rowCount();
        for (int64_t e = problem.hard.start[row]; e < problem.hard.start[row + 1]; ++e) {
            model_.rows.column.push_back(localOf(problem.hard.column[static_cast<std::size_t>(e)]));
            model_.rows.value.push_back(problem.hard.value[static_cast<std::size_t>(e)]);
        }
        model_.rows.start.push_back(static_cast<int64_t>(model_.rows.column.size()));
        model_.rowLower.push_back(problem.hardLower[row]);
        model_.rowUpper.push_back(problem.hardUpper[row]);
    }
    for (std::size_t k = 0; k < members_.size(); ++k) {
        if (isBound(members_[k])) place_[k] = localOf(members_[k].index);
    }
    const std::size_t columns = column_.size();
    model_.columnLower.assign(columns, -INF);
    model_.columnUpper.assign(columns, INF);
    model_.cost.assign(columns, 0.0);
    if (wholeNumbers) model_.isInteger.assign(columns, 1);
    active_.assign(members_.size(), 1);
    for (std::size_t k = 0; k < members_.size(); ++k) applyBounds(k);
}

std::vector<ConflictMember> ConflictSubmodel::activeMembers() const {
    std::vector<ConflictMember> result;
    for (std::size_t k = 0; k < members_.size(); ++k) {
        if (active_[k]) result.push_back(members_[k]);
    }
    return result;
}

std::unique_ptr<LinearSolver> ConflictSubmodel::loadedSolver(
    const LinearSolverFactory& factory) const {
    std::unique_ptr<LinearSolver> solver = newSolver(factory);
    if (!solver || !solver->load(model_)) throw std::bad_alloc();
    return solver;
}

void ConflictSubmodel::setActive(std::size_t k, bool on, LinearSolver* solver) {
    active_[k] = on ? 1 : 0;
    applyBounds(k);
    if (solver == nullptr) return;
    const int32_t place = place_[k];
    const auto p = static_cast<std::size_t>(place);
    if (members_[k].kind == Kind::HARD_ROW) {
        solver->setRowBounds(place, model_.rowLower[p], model_.rowUpper[p]);
    } else {
        solver->setColumnBounds(place, model_.columnLower[p], model_.columnUpper[p]);
    }
}

void ConflictSubmodel::applyBounds(std::size_t k) {
    const ConflictMember& member = members_[k];
    const auto p = static_cast<std::size_t>(place_[k]);
    const bool on = active_[k] != 0;
    const auto source = static_cast<std::size_t>(member.index);
    const AdjustmentProblem& problem = *problem_;
    // Over whole numbers a bound, and the bounds of a row of whole coefficients, are as good
    // as the whole numbers within them; the solver gets those.
    const auto whole = [this](double lower, double upper, bool tighten) {
        return wholeNumbers_ && tighten ? wholeRange(lower, upper)
                                        : std::pair<double, double>(lower, upper);
    };
    switch (member.kind) {
        case Kind::HARD_ROW: {
            const auto [lower, upper] = whole(problem.hardLower[source], problem.hardUpper[source],
                                              hasWholeCoefficients(problem.hard, member.index));
            model_.rowLower[p] = on ? lower : -INF;
            model_.rowUpper[p] = on ? upper : INF;
            break;
        }
        case Kind::CELL_LOWER:
            model_.columnLower[p] = on ? whole(problem.lower[source], INF, true).first : -INF;
            break;
        case Kind::CELL_UPPER:
            model_.columnUpper[p] = on ? whole(-INF, problem.upper[source], true).second : INF;
            break;
    }
}

bool ConflictSubmodel::certifies(const std::vector<double>& ray, std::vector<char>& needed,
                                 std::vector<double>& multiplier) const {
    const std::vector<double> proof = certifiedRay(model_.rows, model_.rowLower, model_.rowUpper,
                                                   model_.columnLower, model_.columnUpper, ray);
    if (proof.empty()) return false;
    // The combined coefficient of each column; cancelled ones are 0, as in the check.
    const SparseRows& rows = model_.rows;
    std::vector<double> combined(column_.size(), 0.0);
    std::vector<double> magnitude(column_.size(), 0.0);
    for (int32_t i = 0; i < rows.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        for (int64_t e = rows.start[r]; e < rows.start[r + 1]; ++e) {
            const auto entry = static_cast<std::size_t>(e);
            const auto j = static_cast<std::size_t>(rows.column[entry]);
            combined[j] += proof[r] * rows.value[entry];
            magnitude[j] += std::fabs(proof[r] * rows.value[entry]);
        }
    }
    for (std::size_t j = 0; j < combined.size(); ++j) {
        if (std::fabs(combined[j]) <= RAY_CANCELLED * magnitude[j]) combined[j] = 0.0;
    }
    needed.assign(members_.size(), 0);
    multiplier.assign(members_.size(), 0.0);
    for (std::size_t k = 0; k < members_.size(); ++k) {
        if (!active_[k]) continue;
        const auto p = static_cast<std::size_t>(place_[k]);
        switch (members_[k].kind) {
            case Kind::HARD_ROW:
                needed[k] = proof[p] != 0.0;
                multiplier[k] = proof[p];
                break;
            case Kind::CELL_LOWER:
                needed[k] = combined[p] < 0.0;
                if (needed[k]) multiplier[k] = -combined[p];
                break;
            case Kind::CELL_UPPER:
                needed[k] = combined[p] > 0.0;
                if (needed[k]) multiplier[k] = -combined[p];
                break;
        }
    }
    return true;
}

bool ConflictSubmodel::meets(const std::vector<double>& x, bool wholeNumbers) const {
    if (x.size() != column_.size()) return false;
    if (wholeNumbers) return meetsWhole(x);
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double v = x[j];
        if (!std::isfinite(v)) return false;
        const double slack = SIMPLEX_POINT_TOLERANCE * (1.0 + std::fabs(v));
        if (v < model_.columnLower[j] - slack || v > model_.columnUpper[j] + slack) return false;
    }
    const SparseRows& rows = model_.rows;
    for (int32_t i = 0; i < rows.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        double sum = 0.0;
        double size = 0.0;
        for (int64_t e = rows.start[r]; e < rows.start[r + 1]; ++e) {
            const auto entry = static_cast<std::size_t>(e);
            const double term = rows.value[entry] * x[static_cast<std::size_t>(rows.column[entry])];
            sum += term;
            size += std::fabs(term);
        }
        const double slack = SIMPLEX_POINT_TOLERANCE * (1.0 + size);
        if (sum < model_.rowLower[r] - slack || sum > model_.rowUpper[r] + slack) return false;
    }
    return true;
}

bool ConflictSubmodel::meetsWhole(const std::vector<double>& x) const {
    std::vector<double> whole(x.size());
    for (std::size_t j = 0; j < x.size(); ++j) {
        whole[j] = std::round(x[j]);
        if (!(std::fabs(x[j] - whole[j]) <= WHOLE_VALUE_TOLERANCE) ||
            !(whole[j] >= model_.columnLower[j]) || !(whole[j] <= model_.columnUpper[j])) {
            return false;
        }
    }
    return meetsRows(model_.rows, model_.rowLower, model_.rowUpper, whole);
}

LinearModel ConflictSubmodel::elasticModel(const std::vector<char>& elastic) const {
    LinearModel result;
    result.columnLower = model_.columnLower;
    result.columnUpper = model_.columnUpper;
    result.cost.assign(column_.size(), 0.0);
    const auto addSlack = [&result]() {
        result.columnLower.push_back(0.0);
        result.columnUpper.push_back(INF);
        result.cost.push_back(1.0);
        return static_cast<int32_t>(result.cost.size()) - 1;
    };
    std::vector<int32_t> memberOfRow(model_.rowLower.size(), -1);
    for (std::size_t k = 0; k < members_.size(); ++k) {
        if (members_[k].kind == Kind::HARD_ROW) {
            memberOfRow[static_cast<std::size_t>(place_[k])] = static_cast<int32_t>(k);
        }
    }
    const SparseRows& rows = model_.rows;
    for (std::size_t i = 0; i < memberOfRow.size(); ++i) {
        for (int64_t e = rows.start[i]; e < rows.start[i + 1]; ++e) {
            result.rows.column.push_back(rows.column[static_cast<std::size_t>(e)]);
            result.rows.value.push_back(rows.value[static_cast<std::size_t>(e)]);
        }
        const int32_t k = memberOfRow[i];
        if (k >= 0 && elastic[static_cast<std::size_t>(k)]) {
            if (model_.rowLower[i] > -INF) {
                result.rows.column.push_back(addSlack());
                result.rows.value.push_back(1.0);
            }
            if (model_.rowUpper[i] < INF) {
                result.rows.column.push_back(addSlack());
                result.rows.value.push_back(-1.0);
            }
        }
        result.rows.start.push_back(static_cast<int64_t>(result.rows.column.size()));
        result.rowLower.push_back(model_.rowLower[i]);
        result.rowUpper.push_back(model_.rowUpper[i]);
    }
    // An elastic bound becomes a row: x + s >= lower, or x - s <= upper.
    for (std::size_t k = 0; k < members_.size(); ++k) {
        if (!isBound(members_[k]) || !active_[k] || !elastic[k]) continue;
        const auto column = static_cast<std::size_t>(place_[k]);
        const bool lower = members_[k].kind == Kind::CELL_LOWER;
        result.rows.column.push_back(static_cast<int32_t>(column));
        result.rows.value.push_back(1.0);
        result.rows.column.push_back(addSlack());
        result.rows.value.push_back(lower ? 1.0 : -1.0);
        result.rows.start.push_back(static_cast<int64_t>(result.rows.column.size()));
        result.rowLower.push_back(lower ? model_.columnLower[column] : -INF);
        result.rowUpper.push_back(lower ? INF : model_.columnUpper[column]);
        if (lower) {
            result.columnLower[column] = -INF;
        } else {
            result.columnUpper[column] = INF;
        }
    }
    return result;
}

ConflictResult conflictResult(SolveStatus status) {
    ConflictResult result;
    result.status = std::move(status);
    result.elasticValue = std::numeric_limits<double>::quiet_NaN();
    return result;
}

ConflictResult notReduced(const ConflictSubmodel& sub, StopReason stop) {
    ConflictResult result = conflictResult(modelStatus(ModelStatus::INFEASIBLE, stop));
    result.members = sub.activeMembers();
    result.memberChange.assign(result.members.size(), std::numeric_limits<double>::quiet_NaN());
    return result;
}
