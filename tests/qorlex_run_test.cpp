// A whole translation of a generated table against an independent reckoning of what the
// binary data file must hold: every restriction's coefficient of every adjustable cell,
// summed term by term, in ascending column order.
#include "qorlex/driver/qorlex_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/input_record.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

struct Term {
    double coefficient;
    std::vector<std::vector<int>> indices;  // per class: the 0-based indices selected, ascending
};

const std::vector<int> SIZES{9, 7, 5, 4};

// Whether the term selects the cell (numbered with the last class fastest).
bool contains(const Term& term, int cell) {
    for (std::size_t k = SIZES.size(); k-- > 0;) {
        const int index = cell % SIZES[k];
        cell /= SIZES[k];
        const auto& chosen = term.indices[k];
        if (!std::binary_search(chosen.begin(), chosen.end(), index)) return false;
    }
    return true;
}

// "2_4 + 7" for the indices {1,2,3,6}: runs of consecutive indices as ranges.
std::string indexItem(const std::vector<int>& indices) {
    std::string text;
    for (std::size_t i = 0; i < indices.size();) {
        std::size_t j = i;
        while (j + 1 < indices.size() && indices[j + 1] == indices[j] + 1) ++j;
        if (!text.empty()) text += " + ";
        text += std::to_string(indices[i] + 1);
        if (j > i) {
            text += '_';
            text += std::to_string(indices[j] + 1);
        }
        i = j + 1;
    }
    return text;
}

// Appends each value, or each element of a vector, as the file holds it.
template <class T>
void put(std::string& bytes, T value) {
    char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.append(raw, sizeof(T));  // the test host is little-endian like the file
}
template <class T>
void put(std::string& bytes, const std::vector<T>& values) {
    for (const T& value : values) put(bytes, value);
}
template <class... T>
std::string bytesOf(const T&... values) {
    std::string bytes;
    (put(bytes, values), ...);
    return bytes;
}

TEST(QorlexRun, GeneratedTableMatchesIndependentReckoning) {
    std::mt19937 random(20261206);
    const int cells = 9 * 7 * 5 * 4;
    const TempDir scratch;
    const fs::path& dir = scratch.path();

    // The base values; the cells above 0 are the adjustable ones, in ascending order.
    std::string numbers;
    std::vector<int> columnOfCell(static_cast<std::size_t>(cells), -1);
    std::vector<int32_t> cellIndex;
    std::vector<double> baseOfColumn;
    for (int c = 0; c < cells; ++c) {
        const int value = static_cast<int>(random() % 10) - 2;  // some zero and negative cells
        numbers += std::to_string(value) + (c % 9 == 8 ? "\n" : " ");
        if (value > 0) {
            columnOfCell[static_cast<std::size_t>(c)] = static_cast<int>(cellIndex.size());
            cellIndex.push_back(c);
            baseOfColumn.push_back(value);
        }
    }
    std::ofstream(dir / "base.txt") << numbers;

    std::string table =
        "KLASSEN 4;\nAUSPRAEGUNGEN\n 1 = 9; 2 = 7; 3 = 5; 4 = 4;\nBASIS\n "
        "ASCII[base.txt]\nRESTRIKTIONEN\n";

    const double coefficients[] = {1.0, 1.0, 2.0, -1.0, 0.5, 3.0};
    std::vector<int32_t> rowStart{0}, columns;
    std::vector<double> values, entries;
    for (int r = 0; r < 300; ++r) {
        std::vector<Term> terms(1 + random() % 3);
        std::string statement;
        std::size_t named = 0;  // the terms may name at most as many cells as the table has
        for (std::size_t t = 0; t < terms.size(); ++t) {
            Term& term = terms[t];
            term.coefficient = coefficients[random() % 6];
            std::size_t termCells = 1;
            for (int size : SIZES) {
                std::vector<int> chosen;
                for (int i = 0; i < size; ++i) {
                    if (random() % 2 != 0) chosen.push_back(i);
                }
                if (chosen.empty()) chosen.push_back(static_cast<int>(random() % size));
                termCells *= chosen.size();
                term.indices.push_back(chosen);
            }
            named += termCells;
            if (named > static_cast<std::size_t>(cells)) {
                terms.resize(t);
                break;
            }
            const double magnitude = term.coefficient < 0 ? -term.coefficient : term.coefficient;
            statement += t == 0 ? (term.coefficient < 0 ? "- " : "")
                                : (term.coefficient < 0 ? " - " : " + ");
            if (magnitude != 1.0) statement += std::to_string(magnitude) + " * ";
            statement += "(";
            for (std::size_t k = 0; k < term.indices.size(); ++k) {
                statement += (k ? ", " : "") + indexItem(term.indices[k]);
            }
            statement += ")";
        }
        if (terms.empty()) continue;
        // Coefficient of each adjustable cell, term by term in the order written.
        std::vector<int32_t> rowColumns;
        std::vector<double> rowCoefficients;
        for (int c = 0; c < cells; ++c) {
            if (columnOfCell[static_cast<std::size_t>(c)] < 0) continue;
            double sum = 0.0;
            for (const Term& term : terms) {
                if (contains(term, c)) sum += term.coefficient;
            }
            if (sum != 0) {
                rowColumns.push_back(columnOfCell[static_cast<std::size_t>(c)]);
                rowCoefficients.push_back(sum);
            }
        }
        if (rowColumns.empty()) continue;  // would be refused as based on zero entries
        const double value = rowColumns.size() == 1 && rowCoefficients[0] < 0 ? 0 : r % 50;
        table += " " + statement + " = " + std::to_string(static_cast<int>(value)) + ";\n";
        columns.insert(columns.end(), rowColumns.begin(), rowColumns.end());
        entries.insert(entries.end(), rowCoefficients.begin(), rowCoefficients.end());
        values.push_back(value);
        rowStart.push_back(static_cast<int32_t>(columns.size()));
    }
    table += "ENDE\n";
    std::ofstream(dir / "table.txt") << table;

    std::ostringstream out, err;
    ASSERT_EQ(runQorlex({(dir / "table.txt").string(), (dir / "p").string()}, out, err), 0)
        << out.str();

    const auto n = static_cast<int32_t>(cellIndex.size());
    const auto rows = static_cast<int32_t>(values.size());
    const std::string expected =
        bytesOf(cells, n, cellIndex, baseOfColumn, std::vector<double>(n, 0.0),
                std::vector<double>(n, 1e38), rows, n, static_cast<int32_t>(columns.size()),
                std::vector<int32_t>(rows, 4), values, values, rowStart, columns, entries);
    EXPECT_TRUE(readFile(dir / "p-bin.dat") == expected) << "binary data file differs";
}

// The input record names the description and each base file once, as they were opened, and
// the command that reads them again; a failed run leaves an earlier record alone.
TEST(QorlexRun, RecordsTheFilesReadAndTheCommand) {
    TempDir dir;
    dir.write("base.csv", "1;5\n2;7\n");
    dir.write("rest.txt", "1 2");
    const std::string description = dir.write(
        "t.txt", "KLASSEN 1; AUSPR 1 = 2; BASIS DBF[" + (dir / "base.csv") + "][;] ASCII[" +
                     (dir / "rest.txt") + "] DBF[" + (dir / "base.csv") + "][;] REST ENDE\n");
    std::ostringstream out, err;
    ASSERT_EQ(runQorlex({description, dir / "p"}, out, err), 0) << out.str();
    InputFile file;
    ASSERT_TRUE(file.open(dir / "p-inputs.dat"));
    InputRecord record;
    ASSERT_EQ(readInputRecord(file, record), ReadResult::OK);
    EXPECT_EQ(record.command, "qorlex " + description + " " + (dir / "p"));
    std::vector<std::string> names;
    for (const RecordedInput& input : record.inputs) names.push_back(input.name);
    EXPECT_EQ(names, (std::vector<std::string>{description, dir / "base.csv", dir / "rest.txt"}));
    EXPECT_EQ(record.inputs[1].size, 8);

    dir.write("bad.txt", "KLASSEN 1; AUSPR 1 = 2; BASIS (_) 1 2 ; REST (3) = 1;");
    EXPECT_EQ(runQorlex({dir / "bad.txt", dir / "p"}, out, err), 1);
    EXPECT_TRUE(fs::exists(dir / "p-inputs.dat"));
}

}  // namespace
