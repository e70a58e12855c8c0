// Table, driven by the real scanner from description texts: cell numbering, the BaseArrays
// built from mixed BASIS statements, and restrictions reduced to merged coefficients over the
// adjustable cells.
#include "qorlex/model/table.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/bound_type.h"
#include "qorlex/scanner/lex_table.h"
#include "tests/test_files.h"

namespace {

using Ints = std::vector<int32_t>;
using Doubles = std::vector<double>;

// The result of scanning `text` with the real scanner, into a fresh model.
struct Scanned {
    std::unique_ptr<LexTable> table = std::make_unique<LexTable>();
    int code;
    explicit Scanned(const std::string& text) : code(table->scanText(text, "")) {}
    const LexTable* operator->() const { return table.get(); }
};

std::string repeated(int count, const std::string& text) {
    std::string out;
    for (int i = 0; i < count; ++i) out += text;
    return out;
}

TEST(Table, CellNumberingLastClassFastest) {
    const Scanned t(
        "KLASSEN a b c ; AUSPR a = 2 ; b = 3 ; c = 4 ; BASIS "
        "(2, 3, 4) = 5 (1, 1, 2) = 1 (1, 2, 1) = 2 REST");
    ASSERT_EQ(t.code, OK) << t->positionText();
    EXPECT_EQ(t->tableSize, 24);
    EXPECT_EQ(t->baseArrays().cellIndex, (Ints{1, 4, 23}));  // 1·12 + 2·4 + 3 = 23
    EXPECT_EQ(t->baseArrays().base, (Doubles{1, 2, 5}));
}

TEST(Table, BaseArraysFromMixedStatements) {
    TempDir dir;
    // Each statement overwrites what an earlier one gave. DBF: a CR LF line end is dropped
    // whole, a last line without line end is read whole.
    const std::string values = dir.write("v.txt", "1 2 3\n0x8p-1 5 6 99");
    const std::string dbf = dir.write("d.csv", "2;z;1.5\r\nby region\n");
    const std::string blanks = dir.write("d.txt", "region;x\n1 x 17");
    const Scanned t("KLASSEN a b ; AUSPR a = 2 ; b = x y z ; BASIS ASCII[" + values +
                    "] (1, _) 0 -3 7 ; (_, y) = 2.5 (2, x) = 0 DBF[" + dbf + "][;] DBF[" + blanks +
                    "][s] REST");
    ASSERT_EQ(t.code, OK) << t->positionText();

    const BaseArrays& b = t->baseArrays();
    EXPECT_EQ(b.tableSize, 6);
    EXPECT_EQ(b.cellCount, 5);
    EXPECT_EQ(b.cellIndex, (Ints{0, 1, 2, 4, 5}));
    EXPECT_EQ(b.base, (Doubles{17, 2.5, 7, 2.5, 1.5}));
    EXPECT_EQ(b.lower, Doubles(5, 0.0));
    EXPECT_EQ(b.upper, Doubles(5, NO_BOUND));
}

// Two classes of sizes 2 and 3 with base values 1 2 3 4 5 0: columns 0 to 4 are cells 0 to 4.
const std::string SMALL_TABLE =
    "KLASSEN a b ; AUSPR a = 2 ; b = 3 ; BASIS (_, _) 1 2 3 4 5 0 ; REST ";

TEST(Table, RestrictionFieldsByRelation) {
    struct Case {
        std::string text;
        int32_t type;
        double lower, upper, weight;
    } cases[] = {
        {"(1, _) > 5 ;", BOUND_LOWER, 5, NO_BOUND, 0},
        {"(1, _) < 5 ;", BOUND_UPPER, -NO_BOUND, 5, 0},
        {"(1, _) | 1 2 ;", BOUND_RANGE, 1, 2, 0},
        {"(1, _) = 4 ;", BOUND_EQUAL, 4, 4, 0},
        {"(1, _) ~ 10 ;", BOUND_WEAK, 10, 10, 1},
        {"(1, _) ~ 10 2 ;", BOUND_WEAK, 10, 10, 2},
        {"(1, _) ~ 1.5D2 2.0E1 ENDE", BOUND_WEAK, 150, 150, 20},
    };
    for (const Case& c : cases) {
        const Scanned t(SMALL_TABLE + c.text);
        ASSERT_EQ(t.code, OK) << c.text << " at " << t->positionText();
        ASSERT_EQ(t->restrictions().size(), 1u) << c.text;
        const Restriction& r = t->restrictions()[0];
        EXPECT_EQ(r.type, c.type) << c.text;
        EXPECT_EQ(r.lowerValue, c.lower) << c.text;
        EXPECT_EQ(r.upperValue, c.upper) << c.text;
        EXPECT_EQ(r.weight, c.weight) << c.text;
    }
}

TEST(Table, CoefficientsMergedPerCellInAscendingColumns) {
    const double summed = 0.0 + 0.1 + 0.2 + 0.3;  // the terms' order of addition
    // `shared`: the entries share one coefficient, which the list keeps once.
    struct Case {
        std::string text;
        Ints columns;
        Doubles coefficients;
        bool shared;
    } cases[] = {
        {"2 (1, _) + (2, _) = 100 ;", {0, 1, 2, 3, 4}, {2, 2, 2, 1, 1}, false},  // cell 5: base 0
        {"(1, 1) + (1, 1) = 6 ;", {0}, {2}, true},
        {"(2, 3) + (1, 2) + (2, 1) - (1, 1) > 1 ;", {0, 1, 3}, {-1, 1, 1}, false},
        {"(2, 3) + 3 (2, 1 + 3) + (1, 1 - 3) = 1 ;", {0, 2, 3}, {1, 1, 3}, false},
        {"(1, _) - (1, 1) = 1 ;", {1, 2}, {1, 1}, true},
        {"0.1 (1, 1) + 0.2 (1, 1) + 0.3 (1, 1) = 1 ;", {0}, {summed}, true},
        {"- 2 (2, 1 + 2) + 2 (2, 1_2) + (2, 2) > 1 ;", {4}, {1}, true},
        {"-2.5 (_, 1_2) = 1 ;", {0, 1, 3, 4}, {-2.5, -2.5, -2.5, -2.5}, true},
        {"(1, _) + (1, 3) - (2, 3) = 1 ;", {0, 1, 2}, {1, 1, 2}, false},
    };
    for (const Case& c : cases) {
        const Scanned t(SMALL_TABLE + c.text);
        ASSERT_EQ(t.code, OK) << c.text << " at " << t->positionText();
        ASSERT_EQ(t->restrictions().size(), 1u);
        const Restriction& r = t->restrictions()[0];
        EXPECT_EQ(r.entryCount, static_cast<int32_t>(c.columns.size())) << c.text;
        const auto columns = t->restrictions().columns(r);
        const auto coefficients = t->restrictions().coefficients(r);
        EXPECT_EQ(Ints(columns.begin(), columns.end()), c.columns) << c.text;
        EXPECT_EQ(Doubles(coefficients.begin(), coefficients.end()), c.coefficients) << c.text;
        EXPECT_EQ(coefficients.shared(), c.shared) << c.text;
    }
}

// Restrictions whose coefficients are kept and those that share one, in turn: each reads
// back its own entries.
TEST(Table, SharedAndKeptCoefficientsInTurn) {
    const Scanned t(SMALL_TABLE +
                    "(1, _) = 1 ; 2 (1, 1) - (2, _) = 2 ; 3 (_, 2) = 3 ; (2, 1) + (_, 1) - (1, 1) "
                    "= 4 ; (_, 1) - 2 (1, 2) + (2, 2) = 5 ;");
    ASSERT_EQ(t.code, OK) << t->positionText();
    const struct {
        Ints columns;
        Doubles coefficients;
    } expected[] = {
        {{0, 1, 2}, {1, 1, 1}},        {{0, 3, 4}, {2, -1, -1}}, {{1, 4}, {3, 3}}, {{3}, {2}},
        {{0, 1, 3, 4}, {1, -2, 1, 1}},
    };
    const RestrictionList& list = t->restrictions();
    ASSERT_EQ(list.size(), std::size(expected));
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        const auto columns = list.columns(list[i]);
        const Coefficients coefficients = list.coefficients(list[i]);
        EXPECT_EQ(Ints(columns.begin(), columns.end()), expected[i].columns);
        EXPECT_EQ(Doubles(coefficients.begin(), coefficients.end()), expected[i].coefficients);
    }
}

// A group is a run of terms with the same coefficient; a restriction holds at most 1023.
TEST(Table, CoefficientGroups) {
    const auto alternating = [](int terms) {  // coefficients 1 2 1 2 ..., one group each
        std::string text;
        for (int i = 0; i < terms; ++i)
            text +=
                (i ? " + " : "") + std::to_string(1 + i % 2) + " (" + std::to_string(i + 1) + ")";
        return text;
    };
    struct Case {
        std::string terms;
        int code;
    } cases[] = {
        {alternating(1023), OK},
        {alternating(1024), NOT_ENOUGH_MEMORY},
        {alternating(1021) + " + 3 (1500) + (1501)", OK},  // ends in 1: 3 and 1 are two more groups
        {alternating(1022) + " + 3 (1500) + (1501)", NOT_ENOUGH_MEMORY},
        {alternating(1022) + " + 3 (1500) + 3 (1501)", OK},  // equal coefficients: one group
        {"(1)" + repeated(1999, " + (1)"), OK},              // 2000 terms of one group
        {"(_) + (1)", NOT_ENOUGH_MEMORY},                    // more cells than the table has
    };
    for (const Case& c : cases) {
        const Scanned t("KLASSEN a ; AUSPR a = 2000 ; BASIS (_) = 1 REST " + c.terms + " = 1 ;");
        EXPECT_EQ(t.code, c.code) << c.terms.substr(0, 60);
        if (c.code != OK) {
            EXPECT_EQ(std::string(t->positionText()), "=");
        }
    }
}

// A line of a delimited file without its separator: skipped unless it reads as a line of the
// table written with another usual separator, every class named in turn and then a whole
// value.
TEST(Table, DbfLinesWithoutTheSeparator) {
    const struct {
        const char* line;
        int code;  // of a ";" file whose first line is "Nord;male;1"
    } cases[] = {
        {"Nord\tfemale\t2", DBF_LINE_INCOMPLETE},
        {"Sued female 2 persons", DBF_LINE_INCOMPLETE},  // a unit after the value
        {"Sued, 2, 7.5e1", DBF_LINE_INCOMPLETE},         // numbers for the characteristics
        {"Sued female 2 3", DBF_LINE_INCOMPLETE},        // with blanks, 3 is a further field
        {"Sued\tfemale\t2 3", OK},                       // with tabs, "2 3" is no whole value
        {"Sued\tfemale\t1,5", OK},
        {"Sued\tfemale", OK},  // no value
        {"Sued\tfemale\tmale\t2", OK},
        {"female\tSued\t2", OK},  // the classes in another order
        {"Sued\t3\t2", OK},       // no such characteristic
        {"Sued\tfemale\t1e999", OK},
        {" \t ", OK},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string base = dir.write("b.csv", "Nord;male;1\n" + std::string(c.line) + "\n");
        const Scanned t("KLASSEN r s ; AUSPR r = Nord, Sued ; s = male, female ; BASIS DBF[" +
                        base + "][;] REST");
        EXPECT_EQ(t.code, c.code) << c.line << ": " << t->problem();
    }
}

}  // namespace
