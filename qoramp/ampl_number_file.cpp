// The numbers, in exactly the order the read commands consume them. List lines put one space
// after every number, the last one included; the file ends after the last row number.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/output_file.h"
#include "qoramp/ampl_files.h"
#include "qoramp/number_format.h"

namespace {

// Appends the text of `value` and one space.
template <class Value, class Format>
void writeNumber(OutputFile& file, Value value, Format format) {
    char* out = file.reserveChars(MAX_NUMBER_TEXT + 1);
    if (out == nullptr) return;  // the file has failed and will not be committed
    char* end = format(out, value);
    *end++ = ' ';
    file.commitChars(static_cast<std::size_t>(end - out));
}

// A base value is a divisor of the objective: one so small that six decimals show it as zero
// is written with all its digits instead.
char* formatBaseText(char* out, double value) {
    char* end = formatFixedText(out, value);
    if (value > 0.0 && std::string_view(out, static_cast<std::size_t>(end - out)) == "0.000000") {
        end = formatRoundTripText(out, value);
    }
    return end;
}

void writeIntegers(OutputFile& file, const std::vector<int32_t>& values) {
    for (int32_t value : values) writeNumber(file, int64_t{value}, formatIntegerText);
}

void writeCounts(OutputFile& file, int64_t first, int64_t second, int64_t third) {
    char* out = file.reserveChars(3 * MAX_NUMBER_TEXT + 3);
    if (out == nullptr) return;
    char* end = formatIntegerText(out, first);
    *end++ = ' ';
    end = formatIntegerText(end, second);
    *end++ = ' ';
    end = formatIntegerText(end, third);
    *end++ = '\n';
    file.commitChars(static_cast<std::size_t>(end - out));
}

}  // namespace

WriteResult writeNumberFile(const std::string& path, const AmplProblem& problem) {
    OutputFile file(path);
    if (!file.open()) return WriteResult::CANNOT_CREATE;
    const BaseArrays& cells = problem.cells;
    const HardArrays& hard = problem.hard;
    const RowLists& rows = problem.rows;
    const bool restricted = rows.hasRestrictions();

    if (restricted) {
        writeCounts(file, hard.columnCount, hard.rowCount, hard.nonzeroCount);
    } else {
        // Without rows NNZ takes the cell count.
        writeCounts(file, cells.cellCount, 0, cells.cellCount);
    }
    for (double value : cells.base) writeNumber(file, value, formatBaseText);
    file.writeText("\n");
    for (const std::vector<double>* reals : {&cells.lower, &cells.upper}) {
        for (double value : *reals) writeNumber(file, value, formatFixedText);
        file.writeText("\n");
    }

    // Without rows these four lines stay empty.
    writeIntegers(file, rows.rght);
    file.writeText("\n");
    const std::size_t starts = hard.rowStart.empty() ? 0 : hard.rowStart.size() - 1;
    for (std::size_t j = 0; j < starts; ++j) {
        writeNumber(file, int64_t{hard.rowStart[j]} + 1, formatIntegerText);
    }
    file.writeText("\n");
    for (std::size_t j = 0; j < starts; ++j) {
        writeNumber(file, int64_t{hard.rowStart[j + 1]} - hard.rowStart[j], formatIntegerText);
    }
    file.writeText("\n");
    for (int32_t column : hard.columnIndex) {
        writeNumber(file, int64_t{column} + 1, formatIntegerText);
    }
    file.writeText("\n");

    if (restricted && problem.weighted) {
        for (double coefficient : hard.coefficient) {
            writeNumber(file, coefficient, formatRoundTripText);
        }
        file.writeText("\n");
    }
    if (restricted) {
        writeCounts(file, static_cast<int64_t>(rows.eq.size()),
                    static_cast<int64_t>(rows.lo.size()), static_cast<int64_t>(rows.up.size()));
        writeIntegers(file, rows.eq);
        writeIntegers(file, rows.lo);
        writeIntegers(file, rows.up);
    }
    return file.commit() ? WriteResult::OK : WriteResult::CANNOT_WRITE;
}
