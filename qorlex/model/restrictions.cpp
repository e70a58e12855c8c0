// Restrictions: each statement of RESTRIKTIONEN collected term by term, its coefficients
// merged per cell and reduced to the adjustable cells.
#include <algorithm>
#include <span>

#include "common/allocation.h"
#include "common/bound_type.h"
#include "qorlex/model/number_range.h"
#include "qorlex/model/number_text.h"
#include "qorlex/model/table.h"

namespace {

// Whether a cell value that cannot be negative can meet a one-entry restriction.
bool isSingleCellFeasible(int32_t type, double a, double lowerValue, double upperValue) {
    switch (type) {
        case BOUND_LOWER:
        case BOUND_EQUAL:
        case BOUND_WEAK:
            return !(a * lowerValue < 0);
        case BOUND_UPPER:
            return !(a * upperValue < 0);
        case BOUND_RANGE:
            return !(a * lowerValue < 0 || a * upperValue < 0);
        default:
            return false;
    }
}

}  // namespace

ErrorCode Table::beginRestrictions(bool withBasis) {
    if (withBasis) {
        if (ErrorCode code = closeBaseBlock()) return code;
    } else if (!inPhase(CharacteristicPhase::CLOSED)) {
        if (ErrorCode code = endCharacteristicList()) return code;
        if (ErrorCode code = endCharacteristics()) return code;
    }
    declarationsClosed();
    restrictionCount = 0;
    restrictionList.clear();
    // From here on cells are found by column; the per-cell arrays are done with.
    releaseMemory(cellBuffer);
    releaseMemory(cellValues);
    const BaseArrays& cells = baseArrays_;
    const auto n = cells.cellIndex.size();
    if (!termColumns.tryAssign(n) || !columnSums.tryAssign(n) || !columnInEntries.tryAssign(n) ||
        !tryReserve(entryColumns, n)) {
        return NOT_ENOUGH_MEMORY;
    }
    entryColumns.clear();
    int32_t sizes[MAX_CLASSES] = {};
    for (int k = 0; k < classCount && k < MAX_CLASSES; ++k) sizes[k] = classSize(k);
    columnCover.setup(cells.cellIndex, sizes, classCount);
    setPhase(RestrictionPhase::BETWEEN_STATEMENTS);
    return beginRestriction();
}

ErrorCode Table::beginRestriction() {
    if (!inPhase(RestrictionPhase::BETWEEN_STATEMENTS)) return INCOMPLETE_DECLARATION;
    forgetEntries();
    statementTexts.forget();
    groupCount = 0;
    termCells = 0;
    cellRoom = tableSize;
    lastCoefficient = 0.0;
    weight = 0.0;
    relation = 0;
    lowerValue = -NO_BOUND;
    upperValue = NO_BOUND;
    sign = 1.0;
    coefficient = 1.0;
    setPhase(RestrictionPhase::EXPECT_TERM);
    return OK;
}

ErrorCode Table::addSign(char character) {
    if (inPhase(RestrictionPhase::AFTER_REFERENCE)) {
        if (ErrorCode code = closeTerm()) return code;
        coefficient = 1.0;
    } else if (!inPhase(RestrictionPhase::EXPECT_TERM)) {
        return INCOMPLETE_DECLARATION;
    }
    sign = character == '-' ? -1.0 : 1.0;
    setPhase(RestrictionPhase::AFTER_SIGN);
    return OK;
}

// A statement's first term keeps its columns in termColumns; from a second term on, every
// term adds its coefficient to the sum of each column it covers, so that a column's sum
// adds up the coefficients of the terms covering it in the order written.
ErrorCode Table::closeTerm() {
    if (!inPhase(RestrictionPhase::AFTER_REFERENCE)) return INCOMPLETE_DECLARATION;
    coefficient = sign * coefficient;
    if (groupCount == 0 || coefficient != lastCoefficient) {
        if (groupCount + 1 >= MAX_GROUPS) {
            setProblem(descriptionPlace() + "a restriction may have at most " +
                       std::to_string(MAX_GROUPS - 1) +
                       " runs of terms with different coefficients; split it");
            return NOT_ENOUGH_MEMORY;
        }
        groupCount += 1;
        lastCoefficient = coefficient;
    }
    // The terms of one statement may name, repeats counted, as many cells as the table has.
    const int64_t named = indexRanges.cellCount();
    if (cellRoom <= 0 || named > cellRoom) {
        setProblem(descriptionPlace() + "the terms select " + std::to_string(termCells + named) +
                   " cells, the table has " + std::to_string(tableSize) +
                   "; a cell named twice counts twice");
        return NOT_ENOUGH_MEMORY;
    }
    expandedCells = static_cast<int32_t>(named);
    termCells += named;
    cellRoom -= named;

    if (termCount == 1) addToSums(firstTermCoefficient, firstTermColumns);
    const int32_t covered = columnCover.collect(indexRanges, termColumns.data());
    if (covered > 0) termsCoverColumns = true;
    // The first few cells named, for the message of a restriction without entries.
    if (shownTermCellCount < SHOWN_TERM_CELLS) {
        int64_t produced = 0;
        (void)indexRanges.expand(shownTermCells + shownTermCellCount,
                                 SHOWN_TERM_CELLS - shownTermCellCount, produced);
        shownTermCellCount += static_cast<int32_t>(produced);
    }
    termCount += 1;
    if (termCount == 1) {
        firstTermCoefficient = lastCoefficient;
        firstTermColumns = covered;
    } else {
        addToSums(lastCoefficient, covered);
    }
    setPhase(RestrictionPhase::EXPECT_TERM);
    return OK;
}

// Adds `termCoefficient` to the sums of the first `count` columns of termColumns.
void Table::addToSums(double termCoefficient, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const auto column = static_cast<std::size_t>(termColumns[static_cast<std::size_t>(i)]);
        if (columnInEntries[column] == 0) {
            columnInEntries[column] = 1;
            entryColumns.push_back(static_cast<int32_t>(column));  // within its reserved room
        }
        columnSums[column] += termCoefficient;
    }
}

ErrorCode Table::addRelation(char character) {
    if (!inPhase(RestrictionPhase::AFTER_REFERENCE)) return INCOMPLETE_DECLARATION;
    if (ErrorCode code = closeTerm()) return code;
    switch (character) {
        case '>':
            relation = BOUND_LOWER;
            break;
        case '<':
            relation = BOUND_UPPER;
            break;
        case '|':
            relation = BOUND_RANGE;
            break;
        case '=':
            relation = BOUND_EQUAL;
            break;
        default:
            relation = BOUND_WEAK;
            break;
    }
    setPhase(RestrictionPhase::AFTER_RELATION);
    return OK;
}

ErrorCode Table::addNumber(const char* text) {
    const double x = tokenReal(text);
    const auto state = phaseIn<RestrictionPhase>();
    using enum RestrictionPhase;
    if (state == EXPECT_TERM || state == AFTER_SIGN || state == AFTER_FIRST_VALUE ||
        state == AFTER_RELATION) {
        if (ErrorCode code = checkNumberRange(x)) return code;
    }
    switch (state) {
        case EXPECT_TERM:
        case AFTER_SIGN:
            coefficient = x;
            setPhase(AFTER_COEFFICIENT);
            return OK;
        case AFTER_RELATION:
            if (relation == BOUND_LOWER) {
                lowerValue = x;
            } else if (relation == BOUND_UPPER) {
                upperValue = x;
            } else {
                lowerValue = upperValue = x;
            }
            setPhase(AFTER_FIRST_VALUE);
            return OK;
        case AFTER_FIRST_VALUE:
            if (relation == BOUND_RANGE) {
                upperValue = x;
            } else if (relation == BOUND_WEAK) {
                weight = x;
            } else {
                return DOUBLE_SCALAR_FACTOR;
            }
            setPhase(COMPLETE);
            return OK;
        default:
            return INCOMPLETE_DECLARATION;
    }
}

ErrorCode Table::endRestriction() {
    if (inPhase(RestrictionPhase::EXPECT_TERM) && termCells == 0) {
        setPhase(RestrictionPhase::BETWEEN_STATEMENTS);
        return OK;
    }
    if (inPhase(RestrictionPhase::AFTER_FIRST_VALUE)) {
        if (relation == BOUND_RANGE) return NO_BOUNDS;
        if (relation == BOUND_WEAK) weight = 1.0;
        setPhase(RestrictionPhase::COMPLETE);
    }
    if (!inPhase(RestrictionPhase::COMPLETE)) return INCOMPLETE_DECLARATION;
    if (ErrorCode code = storeRestriction()) return code;
    if (!statementTexts.keep()) return NOT_ENOUGH_MEMORY;
    setPhase(RestrictionPhase::BETWEEN_STATEMENTS);
    restrictionCount += 1;
    return OK;
}

// Writes the entries into the restriction list's room: the non-zero sums of the columns the
// terms covered, in ascending column order. A single term's columns are ascending already,
// and each has the term's coefficient. Entries that all have one coefficient keep it once,
// not once per entry.
ErrorCode Table::storeRestriction() {
    const bool oneTerm = termCount == 1;
    const std::size_t candidates =
        oneTerm ? static_cast<std::size_t>(firstTermColumns) : entryColumns.size();
    if (!restrictionList.reserveEntries(candidates, !oneTerm)) {
        return candidates == 1 ? NOT_ENOUGH_MEMORY : NO_MEMORY_RESTRICTION_ARRAYS;
    }
    int32_t* columns = restrictionList.columnRoom();
    std::size_t kept = 0;
    double shared = 0.0;
    bool allShare = true;
    if (oneTerm) {
        shared = 0.0 + firstTermCoefficient;
        if (shared != 0) {
            std::copy(termColumns.data(), termColumns.data() + firstTermColumns, columns);
            kept = candidates;
        }
    } else {
        double* coefficients = restrictionList.coefficientRoom();
        if (!std::is_sorted(entryColumns.begin(), entryColumns.end())) {
            std::sort(entryColumns.begin(), entryColumns.end());
        }
        for (int32_t column : entryColumns) {
            const auto c = static_cast<std::size_t>(column);
            const double sum = columnSums[c];
            columnSums[c] = 0.0;
            columnInEntries[c] = 0;
            if (sum == 0) continue;
            columns[kept] = column;
            coefficients[kept] = sum;
            ++kept;
        }
        entryColumns.clear();
        // Sums are never 0 here, so equal sums are equal bit for bit; a NaN equals none.
        if (kept > 0) {
            shared = coefficients[0];
            allShare = std::all_of(coefficients + 1, coefficients + kept,
                                   [shared](double sum) { return sum == shared; });
        }
    }

    if (kept == 0) {
        setProblem(descriptionPlace() + zeroBaseProblem());
        return ZERO_BASE_RESTRICTION;
    }
    // A shared coefficient is checked once, and as the coefficient of a single cell when
    // there is one entry.
    const ErrorCode range =
        !allShare   ? checkRestrictionRange(relation, restrictionList.reservedCoefficients(kept),
                                            lowerValue, upperValue)
        : kept == 1 ? checkRestrictionRange(relation, std::span(&shared, 1), lowerValue, upperValue)
                    : checkNumberRange(shared);
    if (range != OK) return range;
    if (kept == 1 && !isSingleCellFeasible(relation, shared, lowerValue, upperValue)) {
        return INFEASIBLE_SINGLE_CELL;
    }
    Restriction head;
    head.weight = weight;
    head.type = relation;
    head.lowerValue = lowerValue;
    head.upperValue = upperValue;
    head.coefficient = allShare ? shared : 0.0;
    head.entryCount = static_cast<int32_t>(kept);
    if (!restrictionList.appendReserved(head, !allShare)) return NOT_ENOUGH_MEMORY;
    return OK;
}

// Sets the sums of the columns the terms covered back to 0 and empties the entries, also
// after a statement that failed half-way.
void Table::forgetEntries() {
    for (int32_t column : entryColumns) {
        columnSums[static_cast<std::size_t>(column)] = 0.0;
        columnInEntries[static_cast<std::size_t>(column)] = 0;
    }
    entryColumns.clear();
    termCount = 0;
    firstTermColumns = 0;
    shownTermCellCount = 0;
    termsCoverColumns = false;
}

std::string Table::zeroBaseProblem() const {
    if (termsCoverColumns) {
        return "the terms cancel: the coefficients of each cell of a base above 0 add up to 0";
    }
    std::string text = "every cell of the restriction has base 0: ";
    int given = 0;
    for (int32_t i = 0; i < shownTermCellCount; ++i) {
        const int32_t cell = shownTermCells[i];
        text += (i > 0 ? ", " : "") + cellText(cell);
        const auto at = static_cast<std::size_t>(cell);
        if (at / 64 < givenCells.size() && (givenCells[at / 64] >> (at % 64) & 1) != 0) ++given;
    }
    const bool one = termCells == 1;
    if (termCells > shownTermCellCount) text += ", ...";
    if (givenCellsUnknown) return text;
    if (given == shownTermCellCount) {
        return text + (one ? "; the base table gives it" : "; the base table gives them") +
               " 0 or a negative value";
    }
    if (given > 0) return text + "; some have no base value, the others 0 or a negative one";
    std::string dbfFiles;
    for (const BaseSource& source : baseSources) {
        if (source.separator == 0) continue;
        dbfFiles += (dbfFiles.empty() ? "" : " or ") + source.path;
    }
    if (!dbfFiles.empty())
        return text + "; no line of " + dbfFiles + (one ? " names it" : " names them");
    return text + (one ? "; no base value was given for it" : "; no base value was given for them");
}

ErrorCode Table::finishRestrictions() {
    if (ErrorCode code = endRestriction()) return code;
    termColumns.release();
    columnSums.release();
    columnInEntries.release();
    releaseMemory(entryColumns);
    return OK;
}
