// Why the members of a conflict cannot all hold, in words a statistician can check by hand:
// the combination of members that proves it, as two sums over the same cells that disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "qorsolve/conflict/conflict_line.h"

// Scales the lines' multipliers so that the smallest magnitude is 1 and, where a common
// factor of 1 to 12 makes them all whole numbers, to those whole numbers. False, leaving
// them as they are, when a multiplier is not known or is 0.
bool normaliseMultipliers(std::vector<ConflictLine>& lines);

// What the proof adds up to: the weighted values of the members read from below, less those
// read from above (ConflictResult::multiplier); > 0 for a proof. NaN when a multiplier or
// value is not known.
double proofGap(const std::vector<ConflictLine>& lines);

// "why: restrictions 1–6 add up to 10030, restrictions 7–22 cover the same cells and add up
// to 10000 (a difference of 30)\n", with weights ("2 × restriction 1") where they are not
// all 1, "at least" / "at most" where a side holds restrictions that are not equalities, and
// default bounds as "the bound of (names)" or "the bounds of N cells". "" when the lines'
// multipliers are not known. Expects normalised multipliers; `cellName` names a column.
std::string whyText(const std::vector<ConflictLine>& lines,
                    const std::function<std::string(int32_t)>& cellName);

// Why whole numbers cannot meet the members, from whole weights (the lines' multipliers, not
// normalised) whose combination of members counts every cell a multiple of `divisor` times:
// "why: restriction 1 − restriction 2 counts every cell a multiple of 2 times, so in whole
// numbers it adds up to a multiple of 2, not to 2000001\n", with "2 × restriction 1" where a
// weight is not 1. "" when a multiplier or value is not known, or the values' weighted sum
// is a multiple of the divisor after all.
std::string wholeWhyText(const std::vector<ConflictLine>& lines, double divisor);

// A figure computed from the table's values, at the precision the values have: rounded to
// 15 significant digits (so that 0.1 + 0.3 reads 0.4), or fewer where the figure is known
// only to fewer.
std::string figureText(double value, int digits = 15);

// An adjustment objective as the conflict report gives it: to 6 significant digits, enough to
// rank corrections and well above the solver's accuracy.
std::string objectiveText(double value);

// "1, 2 and 5", with runs of three or more as "1–3": numbers in ascending order. Beyond
// `most` items, the first six and "and N more".
std::string numberListText(const std::vector<int32_t>& numbers, std::size_t most = 8);
