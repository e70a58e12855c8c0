#include "qorsolve/conflict_report.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bound_type.h"
#include "qordump/cell_text.h"
#include "qorsolve/restriction_text.h"
#include "qorsolve/result_files.h"

namespace {

// A set that could not be reduced may be large: the screen shows this many members, the
// file all of them.
constexpr std::size_t MOST_LINES_SHOWN = 20;
constexpr std::string_view FILE_HEADER = "kind,member,relation,value,change";

using Kind = ConflictMember::Kind;

// One line of the report: a declared restriction, a hard row the control file does not
// explain, or a default cell bound.
struct Line {
    enum class Type { RESTRICTION, ROW, BOUND } type = Type::RESTRICTION;
    int32_t number = 0;  // restriction number (1-based), hard row (0-based) or column
    bool upper = false;  // a bound: the upper one
    double change = std::numeric_limits<double>::quiet_NaN();
    double suspicion = 0.0;
    std::size_t cells = 0;
};

// The relation and value(s) as the file gives them: "=", ">=", "<=" or "range"; "L..U".
std::pair<std::string, std::string> relationFields(double lower, double upper) {
    if (lower == upper) return {"=", numberText(lower)};
    const bool hasLower = lower > -NO_BOUND && std::isfinite(lower);
    const bool hasUpper = upper < NO_BOUND && std::isfinite(upper);
    if (hasLower && hasUpper) return {"range", numberText(lower) + ".." + numberText(upper)};
    if (hasLower) return {">=", numberText(lower)};
    return {"<=", numberText(upper)};
}

bool nearlyEqual(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::max({std::fabs(a), std::fabs(b), 1e-9});
}

std::string csvField(const std::string& text) {
    std::string field = "\"";
    for (char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + "\"";
}

class ConflictReport {
  public:
    ConflictReport(const Project& project, const AdjustmentProblem& problem)
        : project_(project),
          problem_(problem),
          screenNames_(project.labels, NameStyle::TERMINAL),
          fileNames_(project.labels, NameStyle::RAW) {}

    std::vector<Line> lines(const ConflictResult& conflict) const {
        std::vector<Line> result;
        for (std::size_t k = 0; k < conflict.members.size(); ++k) {
            const ConflictMember& member = conflict.members[k];
            Line line;
            if (k < conflict.memberChange.size()) line.change = conflict.memberChange[k];
            if (k < conflict.suspicion.size()) line.suspicion = conflict.suspicion[k];
            const auto index = static_cast<std::size_t>(member.index);
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
                line.cells = restriction(source).columns.size();
            } else if (member.kind == Kind::HARD_ROW) {
                line.type = Line::Type::ROW;
                line.number = member.index;
                line.cells = static_cast<std::size_t>(problem_.hard.start[index + 1] -
                                                      problem_.hard.start[index]);
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
                merged.back().change = std::fmin(merged.back().change, line.change);
                merged.back().suspicion = std::fmax(merged.back().suspicion, line.suspicion);
                continue;
            }
            merged.push_back(line);
        }
        return merged;
    }

    std::string screenText(const Line& line) const {
        switch (line.type) {
            case Line::Type::RESTRICTION: {
                const DeclaredRestriction& r = restriction(line.number);
                return "restriction " + std::to_string(line.number) + ": " +
                       relationText(termsText(project_, screenNames_, r.columns, r.coefficients),
                                    r.lowerValue, r.upperValue);
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
               (line.upper ? " <= " : " >= ") + numberText(boundValue(line));
    }

    std::string fileText(const Line& line) const {
        std::string kind;
        std::string member;
        std::pair<std::string, std::string> relation;
        switch (line.type) {
            case Line::Type::RESTRICTION: {
                const DeclaredRestriction& r = restriction(line.number);
                kind = "restriction";
                member = std::to_string(line.number);
                relation = relationFields(r.lowerValue, r.upperValue);
                break;
            }
            case Line::Type::ROW: {
                const auto row = static_cast<std::size_t>(line.number);
                kind = "row";
                member = std::to_string(line.number + 1);
                relation = relationFields(problem_.hardLower[row], problem_.hardUpper[row]);
                break;
            }
            case Line::Type::BOUND:
                kind = "bound";
                member = csvField(cellText(fileNames_, line.number));
                relation = {line.upper ? "<=" : ">=", numberText(boundValue(line))};
                break;
        }
        const std::string change = std::isnan(line.change) ? "" : numberText(line.change);
        return kind + "," + member + "," + relation.first + "," + relation.second + "," + change +
               "\n";
    }

  private:
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

// Which restriction to look at first: the one whose value alone needs the least change to
// let the others hold; among equals the one the values point at most, then the one over most
// cells (the most aggregated figure), then the first declared.
std::string adviceText(const ConflictResult& conflict, const std::vector<Line>& lines) {
    if (conflict.status == ConflictStatus::NOT_REDUCED) {
        return "advice: the set could not be reduced in time; allow more time with "
               "--time-limit to narrow it down\n";
    }
    const Line* best = nullptr;
    for (const Line& line : lines) {
        if (line.type == Line::Type::BOUND) continue;
        if (best == nullptr) {
            best = &line;
            continue;
        }
        const bool known = !std::isnan(line.change);
        const bool bestKnown = !std::isnan(best->change);
        if (known != bestKnown) {
            if (known) best = &line;
            continue;
        }
        if (known && !nearlyEqual(line.change, best->change)) {
            if (line.change < best->change) best = &line;
            continue;
        }
        if (!nearlyEqual(line.suspicion, best->suspicion)) {
            if (line.suspicion > best->suspicion) best = &line;
            continue;
        }
        if (line.cells > best->cells) best = &line;
    }
    if (best == nullptr) return "advice: check the cell bounds listed above\n";
    const std::string name =
        (best->type == Line::Type::RESTRICTION ? "restriction " : "hard row ") +
        std::to_string(best->type == Line::Type::ROW ? best->number + 1 : best->number);
    if (std::isnan(best->change)) {
        if (conflict.wholeNumbers) {
            return "advice: check " + name +
                   " first; whole numbers cannot meet the listed restrictions together\n";
        }
        return "advice: check " + name + " first\n";
    }
    std::string text = "advice: check " + name + " first: changing its value by " +
                       numberText(best->change) + " alone lets the others hold";
    if (conflict.elasticValue < best->change) {
        text += " (changes of " + numberText(conflict.elasticValue) +
                " in total, spread over several, also do)";
    }
    return text + "\n";
}

}  // namespace

bool reportConflict(const Project& project, const AdjustmentProblem& problem,
                    const ConflictResult& conflict, ResultSet& results, std::ostream& out) {
    switch (conflict.status) {
        case ConflictStatus::FOUND:
        case ConflictStatus::NOT_REDUCED:
            break;
        case ConflictStatus::FEASIBLE:
            out << "conflict: none: the restrictions and bounds can all hold\n";
            return true;
        case ConflictStatus::NO_MEMORY:
            out << "conflict: not named: not enough memory to search for it\n";
            return true;
        case ConflictStatus::FAILED:
            out << "conflict: not named: the solver gave no answer\n";
            return true;
    }
    if (conflict.members.empty()) {
        out << "conflict: not named: the time ran out before a conflict was found\n";
        return true;
    }
    const ConflictReport report(project, problem);
    const std::vector<Line> lines = report.lines(conflict);

    const std::string path = conflictFilePath(project);
    std::string error;
    OutputFile* file = openResult(path, &isConflictFileHeader, results, error);
    if (file != nullptr) {
        file->writeText(FILE_HEADER);
        file->writeText("\n");
        for (const Line& line : lines) file->writeText(report.fileText(line));
    }

    out << "conflict: " << lines.size() << " restrictions and bounds cannot all hold";
    if (conflict.status == ConflictStatus::NOT_REDUCED) out << " (not reduced in time)";
    out << "\n";
    for (std::size_t i = 0; i < lines.size() && i < MOST_LINES_SHOWN; ++i) {
        out << report.screenText(lines[i]) << "\n";
    }
    if (lines.size() > MOST_LINES_SHOWN) {
        out << "\u2026 (+ " << lines.size() - MOST_LINES_SHOWN << " more in " << path << ")\n";
    }
    out << adviceText(conflict, lines);
    out << error;
    return file != nullptr;
}

bool isConflictFileHeader(std::string_view line) {
    return line == FILE_HEADER;
}
