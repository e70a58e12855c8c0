#include "qorsolve/output/conflict_report.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bound_type.h"
#include "common/cell_text.h"
#include "qorsolve/conflict/conflict_advice.h"
#include "qorsolve/conflict/conflict_explanation.h"
#include "qorsolve/conflict/conflict_line.h"
#include "qorsolve/core/settings.h"
#include "qorsolve/output/csv_text.h"
#include "qorsolve/output/restriction_text.h"
#include "qorsolve/output/result_paths.h"

namespace {

// A set may be large: the screen shows every restriction and hard row, and default bounds
// until this many lines; the file shows all of them.
constexpr std::size_t MOST_LINES_SHOWN = 20;

using Kind = ConflictMember::Kind;
using Line = ConflictLine;

// Appends the lines of `text` (one or more, or none for an empty text), each without its line
// end, to `lines`. A path that holds a line end gives two lines, as on the screen.
void addLines(std::vector<std::string>& lines, std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

// The relation and value(s) as the file gives them: "=", ">=", "<=" or "range"; "L..U", the
// numbers in `form`.
std::pair<std::string, std::string> relationFields(double lower, double upper,
                                                   const CsvForm& form) {
    const auto number = [&form](double value) { return formNumber(csvNumber(value), form); };
    if (lower == upper) return {"=", number(lower)};
    const bool hasLower = lower > -NO_BOUND && std::isfinite(lower);
    const bool hasUpper = upper < NO_BOUND && std::isfinite(upper);
    if (hasLower && hasUpper) return {"range", number(lower) + ".." + number(upper)};
    if (hasLower) return {">=", number(lower)};
    return {"<=", number(upper)};
}

class ConflictReport {
  public:
    ConflictReport(const Project& project, const AdjustmentProblem& problem)
        : project_(project),
          problem_(problem),
          screenNames_(project, NameStyle::TERMINAL),
          fileNames_(project, NameStyle::RAW) {}

    std::vector<Line> lines(const ConflictResult& conflict) const {
        std::vector<Line> result;
        for (std::size_t k = 0; k < conflict.members.size(); ++k) {
            const ConflictMember& member = conflict.members[k];
            Line line;
            if (k < conflict.memberChange.size()) line.change = conflict.memberChange[k];
            if (k < conflict.multiplier.size()) line.multiplier = conflict.multiplier[k];
            if (k < conflict.objective.size()) line.objective = conflict.objective[k];
            const auto index = static_cast<std::size_t>(member.index);
            line.value = memberValue(member, line.multiplier);
            int32_t source = 0;
            if (member.kind == Kind::HARD_ROW) {
                if (index < problem_.hardSource.size()) source = problem_.hardSource[index];
            } else if (member.kind == Kind::CELL_LOWER) {
                if (index < problem_.lowerSource.size()) source = problem_.lowerSource[index];
            } else if (index < problem_.upperSource.size()) {
                source = problem_.upperSource[index];
            }
            if (declared(source)) {
                line.type = Line::Type::RESTRICTION;
                line.number = source;
                const DeclaredRestriction& r = restriction(source);
                line.cells = r.columns.size();
                line.equality = r.lowerValue == r.upperValue;
            } else if (member.kind == Kind::HARD_ROW) {
                line.type = Line::Type::ROW;
                line.number = member.index;
                line.cells = static_cast<std::size_t>(problem_.hard.start[index + 1] -
                                                      problem_.hard.start[index]);
                line.equality = problem_.hardLower[index] == problem_.hardUpper[index];
            } else {
                line.type = Line::Type::BOUND;
                line.number = member.index;
                line.upper = member.kind == Kind::CELL_UPPER;
                line.cells = 1;
            }
            result.push_back(line);
        }
        const auto order = [](const Line& a, const Line& b) {
            if (a.type != b.type) return a.type < b.type;
            if (a.number != b.number) return a.number < b.number;
            return a.upper < b.upper;
        };
        std::sort(result.begin(), result.end(), order);
        // A restriction that gave a cell both bounds is one line.
        std::vector<Line> merged;
        for (const Line& line : result) {
            if (!merged.empty() && line.type == Line::Type::RESTRICTION &&
                merged.back().type == Line::Type::RESTRICTION &&
                merged.back().number == line.number) {
                Line& kept = merged.back();
                kept.change = std::fmin(kept.change, line.change);
                kept.objective = std::fmin(kept.objective, line.objective);
                // Normally the proof uses one of the two bounds only.
                if (kept.multiplier == 0.0) {
                    kept.multiplier = line.multiplier;
                    kept.value = line.value;
                } else if (line.multiplier != 0.0) {
                    kept.multiplier = std::numeric_limits<double>::quiet_NaN();
                }
                continue;
            }
            merged.push_back(line);
        }
        // A whole-number proof keeps its weights as they are: they go with its divisor.
        if (conflict.divisor > 1.0) return merged;
        // The change each member needs follows from the proof exactly: the proof's gap over
        // the member's weight. It replaces the LP's value where the two agree.
        if (normaliseMultipliers(merged)) {
            const double gap = proofGap(merged);
            for (Line& line : merged) {
                const double change = gap / std::fabs(line.multiplier);
                if (std::fabs(change - line.change) <= SAME_CHANGE * std::fabs(change)) {
                    line.change = change;
                }
            }
        } else {
            for (Line& line : merged) line.multiplier = std::numeric_limits<double>::quiet_NaN();
        }
        return merged;
    }

    std::string whyLine(const ConflictResult& conflict, const std::vector<Line>& lines) const {
        if (conflict.divisor > 1.0) return wholeWhyText(lines, conflict.divisor);
        return whyText(lines, [this](int32_t column) { return cellText(screenNames_, column); });
    }

    std::string screenText(const Line& line) const {
        switch (line.type) {
            case Line::Type::RESTRICTION: {
                // A margin as published, and its file and line, where the names file says.
                const auto i = static_cast<std::size_t>(line.number) - 1;
                const std::string_view declared = declaredLabel(project_, i);
                const std::string text =
                    declared.empty()
                        ? declaredText(project_, screenNames_, restriction(line.number))
                        : terminalText(declared) + " (" +
                              terminalText(restrictionSource(project_, i)) + ")";
                return "restriction " + std::to_string(line.number) + ": " + text;
            }
            case Line::Type::ROW: {
                const auto [columns, coefficients] = rowEntries(line.number);
                const auto row = static_cast<std::size_t>(line.number);
                return "hard row " + std::to_string(line.number + 1) + ": " +
                       relationText(termsText(project_, screenNames_, columns, coefficients),
                                    problem_.hardLower[row], problem_.hardUpper[row]);
            }
            case Line::Type::BOUND:
                break;
        }
        return "bound: cell " + cellText(screenNames_, line.number) +
               (line.upper ? " <= " : " >= ") + csvNumber(boundValue(line));
    }

    std::string fileText(const Line& line, const CsvForm& form) const {
        std::string kind;
        std::string member;
        std::pair<std::string, std::string> relation;
        switch (line.type) {
            case Line::Type::RESTRICTION: {
                const DeclaredRestriction& r = restriction(line.number);
                kind = "restriction";
                member = std::to_string(line.number);
                relation = relationFields(r.lowerValue, r.upperValue, form);
                break;
            }
            case Line::Type::ROW: {
                const auto row = static_cast<std::size_t>(line.number);
                kind = "row";
                member = std::to_string(line.number + 1);
                relation = relationFields(problem_.hardLower[row], problem_.hardUpper[row], form);
                break;
            }
            case Line::Type::BOUND:
                kind = "bound";
                // A cell always in quotes, as the conflict file has always written it.
                member = formField(cellText(fileNames_, line.number), form, Quoting::ALWAYS);
                relation = {line.upper ? "<=" : ">=",
                            formNumber(csvNumber(boundValue(line)), form)};
                break;
        }
        const std::string change =
            std::isnan(line.change) ? "" : formNumber(figureText(line.change), form);
        const std::string multiplier =
            std::isnan(line.multiplier) ? "" : formNumber(figureText(line.multiplier), form);
        const std::string objective =
            std::isnan(line.objective) ? "" : formNumber(objectiveText(line.objective), form);
        return formLine(
            {kind, member, relation.first, relation.second, change, multiplier, objective}, form);
    }

  private:
    // The value of the side of the member that the proof uses (the lower one when the
    // multiplier is positive or not known).
    double memberValue(const ConflictMember& member, double multiplier) const {
        const auto i = static_cast<std::size_t>(member.index);
        switch (member.kind) {
            case Kind::HARD_ROW:
                if (i >= problem_.hardLower.size()) break;
                return multiplier < 0.0 ? problem_.hardUpper[i] : problem_.hardLower[i];
            case Kind::CELL_LOWER:
                if (i < problem_.lower.size()) return problem_.lower[i];
                break;
            case Kind::CELL_UPPER:
                if (i < problem_.upper.size()) return problem_.upper[i];
                break;
        }
        return std::numeric_limits<double>::quiet_NaN();
    }
    bool declared(int32_t source) const {
        return project_.hasControl && source >= 1 &&
               static_cast<std::size_t>(source) <= project_.control.restrictions.size();
    }
    const DeclaredRestriction& restriction(int32_t number) const {
        return project_.control.restrictions[static_cast<std::size_t>(number) - 1];
    }
    std::pair<std::span<const int32_t>, std::span<const double>> rowEntries(int32_t row) const {
        const auto r = static_cast<std::size_t>(row);
        const auto first = static_cast<std::size_t>(problem_.hard.start[r]);
        const auto count = static_cast<std::size_t>(problem_.hard.start[r + 1]) - first;
        return {std::span<const int32_t>(problem_.hard.column.data() + first, count),
                std::span<const double>(problem_.hard.value.data() + first, count)};
    }
    std::string cellText(const CellNamer& namer, int32_t column) const {
        const auto c = static_cast<std::size_t>(column);
        return namer.cellText(c < project_.cells.cellIndex.size() ? project_.cells.cellIndex[c]
                                                                  : column);
    }
    double boundValue(const Line& line) const {
        const auto c = static_cast<std::size_t>(line.number);
        return line.upper ? problem_.upper[c] : problem_.lower[c];
    }

    const Project& project_;
    const AdjustmentProblem& problem_;
    CellNamer screenNames_;
    CellNamer fileNames_;
};

}  // namespace

bool reportConflict(const Project& project, const AdjustmentProblem& problem,
                    const ConflictResult& conflict, const ResultPlace& place, ResultSet& results,
                    std::vector<std::string>& lines) {
    if (!conflict.status.ok()) {
        lines.emplace_back(conflict.status.call == CallStatus::NO_MEMORY
                               ? "conflict: not named: not enough memory to search for it"
                               : "conflict: not named: the solver gave no answer");
        return true;
    }
    if (conflict.status.model == ModelStatus::FEASIBLE) {
        lines.emplace_back("conflict: none: the restrictions and bounds can all hold");
        return true;
    }
    if (conflict.members.empty()) {
        lines.emplace_back("conflict: not named: the time ran out before a conflict was found");
        return true;
    }
    const ConflictReport report(project, problem);
    const std::vector<Line> members = report.lines(conflict);

    const std::string path = conflictFilePath(place);
    std::string error;
    OutputFile* file = openResult(path, &isConflictFileHeader, results, error);
    if (file != nullptr) {
        file->writeText(formHeader(CONFLICT_FILE_HEADER, place.form));
        file->writeText("\n");
        for (const Line& line : members) file->writeText(report.fileText(line, place.form));
    }

    std::string count = members.size() == 1 ? "conflict: 1 restriction cannot hold"
                                            : "conflict: " + std::to_string(members.size()) +
                                                  " restrictions and bounds cannot all hold";
    if (!conflict.irreducible) {
        count += conflict.status.stop == StopReason::WORK_LIMIT
                     ? " (not reduced within the work limit)"
                     : " (not reduced in time)";
    }
    addLines(lines, count);
    // Lines come restrictions first, then hard rows, then default bounds.
    std::size_t shown = 0;
    for (const Line& line : members) {
        if (line.type == Line::Type::BOUND && shown >= MOST_LINES_SHOWN) break;
        addLines(lines, report.screenText(line));
        ++shown;
    }
    if (members.size() > shown) {
        addLines(lines,
                 "\u2026 (+ " + std::to_string(members.size() - shown) + " more in " + path + ")");
    }
    addLines(lines, report.whyLine(conflict, members));
    addLines(lines, adviceText(conflict, members));
    addLines(lines, error);
    return file != nullptr;
}
