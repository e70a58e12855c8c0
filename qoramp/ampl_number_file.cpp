// The numbers, in exactly the order the read commands consume them. List lines put one space
// after every number, the last one included; the three row lists share the last line, and the
// file ends after the last row number.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/output_file.h"
#include "qoramp/ampl_files.h"
#include "qoramp/ampl_parameters.h"
#include "qoramp/number_format.h"

namespace {

// Appends the text of each of `count` values, the i-th given by `valueAt(i)`, each followed
// by one space. The numbers are formatted a batch at a time straight into the file's buffer;
// `room` is the most characters one number takes.
template <class ValueAt, class Format>
void writeList(OutputFile& file, std::size_t count, std::size_t room, ValueAt valueAt,
               Format format) {
    constexpr std::size_t BATCH = 512;
    for (std::size_t i = 0; i < count;) {
        const std::size_t batch = std::min(BATCH, count - i);
        char* out = file.reserveChars(batch * (room + 1));
        if (out == nullptr) return;  // the file has failed and will not be committed
        char* end = out;
        for (const std::size_t last = i + batch; i < last; ++i) {
            end = format(end, valueAt(i));
            *end++ = ' ';
        }
        file.commitChars(static_cast<std::size_t>(end - out));
    }
}

template <class Values, class Format>
void writeList(OutputFile& file, const Values& values, std::size_t room, Format format) {
    writeList(
        file, values.size(), room, [&](std::size_t i) { return values[i]; }, format);
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
    writeList(file, values, MAX_INTEGER_TEXT, formatIntegerText);
}

// Three numbers separated by blanks, without a blank after the last.
void writeSizes(OutputFile& file, int64_t first, int64_t second, int64_t third) {
    char* out = file.reserveChars(3 * MAX_NUMBER_TEXT + 2);
    if (out == nullptr) return;
    char* end = formatIntegerText(out, first);
    *end++ = ' ';
    end = formatIntegerText(end, second);
    *end++ = ' ';
    end = formatIntegerText(end, third);
    file.commitChars(static_cast<std::size_t>(end - out));
}

void writeValues(OutputFile& file, Values values, const AmplProblem& problem) {
    const BaseView& cells = problem.cells;
    const RowsView& hard = problem.hard;
    const RowLists& rows = problem.rows;
    const std::size_t rowCount = hard.rowStart.empty() ? 0 : hard.rowStart.size() - 1;
    switch (values) {
        case Values::SIZES:
            if (rows.hasRestrictions()) {
                writeSizes(file, hard.columnCount, hard.rowCount, hard.nonzeroCount);
            } else {
                // Without rows NNZ takes the cell count.
                writeSizes(file, cells.cellCount, 0, cells.cellCount);
            }
            break;
        case Values::BASE:
            writeList(file, cells.base, MAX_NUMBER_TEXT, formatBaseText);
            break;
        case Values::LOWER_BOUNDS:
            writeList(
                file, cells.lower.size(), MAX_NUMBER_TEXT,
                [&](std::size_t c) { return modelLower(cells.lower[c]); }, formatFixedText);
            break;
        case Values::UPPER_BOUNDS:
            writeList(
                file, cells.upper.size(), MAX_NUMBER_TEXT,
                [&](std::size_t c) {
                    return modelUpper(cells.base[c], cells.lower[c], cells.upper[c]);
                },
                formatFixedText);
            break;
        case Values::RIGHT_SIDES:
            writeIntegers(file, rows.rightSides);
            break;
        case Values::ROW_STARTS:
            writeList(
                file, rowCount, MAX_INTEGER_TEXT,
                [&](std::size_t j) { return int64_t{hard.rowStart[j]} + 1; }, formatIntegerText);
            break;
        case Values::ROW_LENGTHS:
            writeList(
                file, rowCount, MAX_INTEGER_TEXT,
                [&](std::size_t j) { return int64_t{hard.rowStart[j + 1]} - hard.rowStart[j]; },
                formatIntegerText);
            break;
        case Values::COLUMNS:
            writeList(
                file, hard.columnIndex.size(), MAX_INTEGER_TEXT,
                [&](std::size_t e) { return int64_t{hard.columnIndex[e]} + 1; }, formatIntegerText);
            break;
        case Values::COEFFICIENTS:
            writeList(file, hard.coefficient, MAX_NUMBER_TEXT, formatRoundTripText);
            break;
        case Values::RELATION_SIZES:
            writeSizes(file, static_cast<int64_t>(rows.equalRows.size()),
                       static_cast<int64_t>(rows.lowerRows.size()),
                       static_cast<int64_t>(rows.upperRows.size()));
            break;
        case Values::EQUAL_ROWS:
            writeIntegers(file, rows.equalRows);
            break;
        case Values::LOWER_ROWS:
            writeIntegers(file, rows.lowerRows);
            break;
        case Values::UPPER_ROWS:
            writeIntegers(file, rows.upperRows);
            break;
    }
}

}  // namespace

QorampError writeNumberFile(const std::string& path, const AmplProblem& problem) {
    OutputFile file(path);
    if (!file.open()) return QorampError::CANNOT_OPEN;
    for (const AmplParameter& parameter : amplParameters()) {
        if (!isPresent(parameter.written, problem)) continue;
        writeValues(file, parameter.values, problem);
        if (parameter.endsLine) file.writeText("\n");
    }
    return file.commit() ? QorampError::OK : QorampError::CANNOT_WRITE;
}
