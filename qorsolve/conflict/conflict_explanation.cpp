#include "qorsolve/conflict/conflict_explanation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "qorsolve/problem/adjustment_problem.h"

namespace {

// A multiplier times a common factor counts as a whole number within this, relative.
constexpr double WHOLE_WEIGHT = 1e-6;
constexpr int LARGEST_FACTOR = 12;
constexpr int FIGURE_DIGITS = 15;
constexpr int OBJECTIVE_DIGITS = 6;
// A side of the combination names at most this many items, then how many more.
constexpr std::size_t MOST_ITEMS = 8;
constexpr std::size_t FIRST_ITEMS = 6;
// Weighted sums of whole values are exact in a double below 2^53.
constexpr double WHOLE_SUMS = 9007199254740992.0;

bool isWhole(double value) {
    return std::fabs(value - std::round(value)) <= WHOLE_WEIGHT * std::max(1.0, std::fabs(value));
}

std::string joined(const std::vector<std::string>& items, const std::string& last) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? last : ", ";
        text += items[i];
    }
    return text;
}

// One side of the combination: its items, whether it reads as one item, and whether every
// member of it is an equality.
struct Side {
    std::vector<std::string> items;
    bool single = true;
    bool exact = true;
    double sum = 0.0;
};

// How the combination names a cell's bound: a default one, the run's ratio bounds or the value
// a cell of alterability 0 is held at, of one cell and of several.
struct BoundWords {
    const char* one;
    const char* many;
};
constexpr BoundWords BOUND_WORDS[] = {
    {"the bound of ", "the bounds of "},
    {"the ratio bound of ", "the ratio bounds of "},
    {"the fixed value of ", "the fixed values of "},
};

std::size_t boundKind(int32_t source) {
    if (source == RATIO_BOUND_SOURCE) return 1;
    if (source == FIXED_CELL_SOURCE) return 2;
    return 0;
}

Side sideText(const std::vector<const ConflictLine*>& lines, bool weighted,
              const std::function<std::string(int32_t)>& cellName) {
    Side side;
    std::size_t members = 0;
    std::vector<int32_t> restrictions;  // a run of restrictions with weight 1
    const auto flush = [&]() {
        if (restrictions.empty()) return;
        side.items.push_back((restrictions.size() == 1 ? "restriction " : "restrictions ") +
                             numberListText(restrictions));
        restrictions.clear();
    };
    std::vector<int32_t> boundCells[std::size(BOUND_WORDS)];
    for (const ConflictLine* line : lines) {
        const double weight = std::fabs(line->multiplier);
        side.sum += weight * line->value;
        side.exact = side.exact && line->equality;
        ++members;
        const std::string factor = weight == 1.0 ? "" : figureText(weight) + " \u00d7 ";
        switch (line->type) {
            case ConflictLine::Type::RESTRICTION:
                if (!weighted) {
                    restrictions.push_back(line->number);
                    continue;
                }
                side.items.push_back(factor + "restriction " + std::to_string(line->number));
                break;
            case ConflictLine::Type::ROW:
                flush();
                side.items.push_back(factor + "hard row " + std::to_string(line->number + 1));
                break;
            case ConflictLine::Type::BOUND: {
                const std::size_t kind = boundKind(line->source);
                if (!weighted) {
                    boundCells[kind].push_back(line->number);
                    continue;
                }
                side.items.push_back(factor + BOUND_WORDS[kind].one + cellName(line->number));
                break;
            }
        }
    }
    flush();
    for (std::size_t kind = 0; kind < std::size(BOUND_WORDS); ++kind) {
        const std::vector<int32_t>& cells = boundCells[kind];
        if (cells.size() == 1) {
            side.items.push_back(std::string(BOUND_WORDS[kind].one) + cellName(cells[0]));
        }
        if (cells.size() > 1) {
            side.items.push_back(std::string(BOUND_WORDS[kind].many) +
                                 std::to_string(cells.size()) + " cells");
        }
    }
    side.single = members == 1 || weighted;
    if (side.items.size() > MOST_ITEMS) {
        const std::size_t more = side.items.size() - FIRST_ITEMS;
        side.items.resize(FIRST_ITEMS);
        side.items.push_back(std::to_string(more) + " more");
    }
    return side;
}

}  // namespace

std::string wholeWhyText(const std::vector<ConflictLine>& lines, double divisor) {
    if (lines.empty() || !(divisor > 1.0)) return "";
    std::string combination;
    double total = 0.0;
    for (const ConflictLine& line : lines) {
        const double weight = line.multiplier;
        if (!std::isfinite(weight) || weight == 0.0 || !std::isfinite(line.value) ||
            line.type == ConflictLine::Type::BOUND) {
            return "";
        }
        total += weight * line.value;
        const double size = std::fabs(weight);
        if (combination.empty()) {
            combination = weight < 0.0 ? "\u2212" : "";
        } else {
            combination += weight < 0.0 ? " \u2212 " : " + ";
        }
        combination += (size == 1.0 ? "" : figureText(size) + " \u00d7 ") +
                       (line.type == ConflictLine::Type::RESTRICTION
                            ? "restriction " + std::to_string(line.number)
                            : "hard row " + std::to_string(line.number + 1));
    }
    if (!(std::fabs(total) < WHOLE_SUMS) || std::fmod(total, divisor) == 0.0) return "";
    const std::string d = figureText(divisor);
    return "why: " + combination + " counts every cell a multiple of " + d +
           " times, so in whole numbers it adds up to a multiple of " + d + ", not to " +
           figureText(total) + "\n";
}

std::string figureText(double value, int digits) {
    if (!std::isfinite(value)) return value > 0 ? "inf" : (value < 0 ? "-inf" : "nan");
    char text[64];
    double rounded = value;
    // From 10^15 on, a double holds no digits beyond those it shows.
    if (std::fabs(value) < 1e15 || digits < FIGURE_DIGITS) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        rounded = std::strtod(text, nullptr);
    }
    if (rounded == 0.0) rounded = 0.0;  // no "-0"
    const auto [end, failure] = std::to_chars(text, text + sizeof text, rounded);
    if (failure != std::errc()) return "?";
    return std::string(text, end);
}

std::string objectiveText(double value) {
    return figureText(value, OBJECTIVE_DIGITS);
}

std::string numberListText(const std::vector<int32_t>& numbers, std::size_t most) {
    std::vector<std::string> items;
    std::vector<std::size_t> counted;  // how many numbers the items so far stand for
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        if (j - i >= 2) {
            items.push_back(std::to_string(numbers[i]) + "\u2013" + std::to_string(numbers[j]));
            i = j + 1;
        } else {
            items.push_back(std::to_string(numbers[i]));
            ++i;
        }
        counted.push_back(i);
    }
    if (items.size() > most && most > FIRST_ITEMS) {
        items.resize(FIRST_ITEMS);
        items.push_back(std::to_string(numbers.size() - counted[FIRST_ITEMS - 1]) + " more");
    }
    return joined(items, " and ");
}

bool normaliseMultipliers(std::vector<ConflictLine>& lines) {
    double smallest = INFINITY;
    for (const ConflictLine& line : lines) {
        if (!std::isfinite(line.multiplier) || line.multiplier == 0.0) return false;
        smallest = std::min(smallest, std::fabs(line.multiplier));
    }
    if (lines.empty()) return false;
    for (ConflictLine& line : lines) line.multiplier /= smallest;
    for (int factor = 1; factor <= LARGEST_FACTOR; ++factor) {
        const bool whole = std::all_of(lines.begin(), lines.end(), [factor](const ConflictLine& l) {
            return isWhole(l.multiplier * factor);
        });
        if (!whole) continue;
        for (ConflictLine& line : lines) line.multiplier = std::round(line.multiplier * factor);
        break;
    }
    return true;
}

double proofGap(const std::vector<ConflictLine>& lines) {
    double gap = 0.0;
    for (const ConflictLine& line : lines) gap += line.multiplier * line.value;
    return gap;
}

std::string whyText(const std::vector<ConflictLine>& lines,
                    const std::function<std::string(int32_t)>& cellName) {
    const double gap = proofGap(lines);
    if (lines.empty() || !(gap > 0.0)) return "";
    std::vector<const ConflictLine*> from[2];  // [0]: read from below, [1]: from above
    bool weighted = false;
    for (const ConflictLine& line : lines) {
        from[line.multiplier > 0.0 ? 0 : 1].push_back(&line);
        weighted = weighted || std::fabs(line.multiplier) != 1.0;
    }
    if (from[0].empty() || from[1].empty()) {
        // Everything read from one side: the sum of nothing, 0, cannot reach what it needs.
        return "";
    }
    // The side that holds the first line (the lowest declared restriction) comes first.
    const int first = lines.front().multiplier > 0.0 ? 0 : 1;
    const Side sides[2] = {sideText(from[first], weighted, cellName),
                           sideText(from[1 - first], weighted, cellName)};
    const auto amount = [&](int s) {
        const bool below = (s == 0) == (first == 0);
        return std::string(sides[s].exact ? "" : (below ? "at least " : "at most ")) +
               figureText(sides[s].sum);
    };
    const auto items = [&](const Side& side) {
        if (!weighted) return joined(side.items, " and ");
        std::string text;
        for (const std::string& item : side.items) text += (text.empty() ? "" : " + ") + item;
        return text;
    };
    const bool oneFirst = sides[0].single;
    const bool oneSecond = sides[1].single;
    std::string text = "why: " + items(sides[0]) + (oneFirst ? " adds" : " add") + " up to " +
                       amount(0) + ", " + items(sides[1]) + (oneSecond ? " covers" : " cover") +
                       " the same cells" + (weighted ? " with the same weights" : "") + " and " +
                       (oneSecond ? "adds" : "add") + " up to " + amount(1) + " (a difference of " +
                       figureText(gap) + ")\n";
    return text;
}
