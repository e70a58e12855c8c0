// The alterability file: the cells each line covers, by the names a table's classes and
// characteristics go by, later lines over earlier ones, and one "file:line: ..." message for
// each fault.
#include "common/alterability_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/solve_project.h"

namespace {

// Region (North, South), Sex (2, declared by its count) and Age (young, old), the last class
// fastest; cell 4 (South, 1, young) is not adjustable.
struct Table {
    LabelFile labels;
    std::vector<std::string> classNames = {"Region", "Sex", "Age"};
    NamesFile names;
    std::vector<int32_t> cells = {0, 1, 2, 3, 5, 6, 7};

    Table() {
        ClassLabels sex;
        sex.size = 2;
        labels.classes = {namedClass({"North", "South"}), sex, namedClass({"young", "old"})};
        NamedClass region;
        region.name = "Region";
        region.label = "Région";
        region.characteristics = {{"North", "Nord", ""}, {"South", "Süd", ""}};
        names.classes = {region};
    }
};

TEST(AlterabilityFile, EachLineSetsTheCellsItCovers) {
    const struct {
        const char* text;
        std::vector<double> coefficients;  // per adjustable cell 0, 1, 2, 3, 5, 6, 7
    } cases[] = {
        {"Region,alterability\n", {1, 1, 1, 1, 1, 1, 1}},
        {"Region,alterability\nSouth,2\n", {1, 1, 1, 1, 2, 2, 2}},
        // A blank field covers the class; a later line overrides an earlier one.
        {"Region,Age,alterability\nNorth,,3\nNorth,old,0\n", {3, 0, 3, 0, 1, 1, 1}},
        {"alterability,Age\n0.5,_\n", {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5}},
        // Classes by number, labels of the names file, characteristics of a class declared by
        // its count by number.
        {"class1,class3,alterability\nSouth,young,5\n", {1, 1, 1, 1, 1, 5, 1}},
        {"Région,alterability\nSüd,2\nNord,4\n", {4, 4, 4, 4, 2, 2, 2}},
        {"Sex,alterability\n2,4\n", {1, 1, 4, 4, 1, 4, 4}},
        // One cell, and a cell that is not adjustable.
        {"Region,Sex,Age,alterability\nSouth,1,old,7\nSouth,1,young,9\n", {1, 1, 1, 1, 7, 1, 1}},
        // A byte-order mark, CR LF, quotes, blanks around fields and blank lines.
        {"\xEF\xBB\xBFRegion,alterability\r\n\r\n\"North\" , 0.25\r\n",
         {0.25, 0.25, 0.25, 0.25, 1, 1, 1}},
        {"Region,alterability\nNorth,-0\n", {0, 0, 0, 0, 1, 1, 1}},
    };
    const Table table;
    const AlterabilityNames names{table.labels, table.classNames, &table.names};
    for (const auto& c : cases) {
        std::vector<double> coefficients;
        std::string message;
        EXPECT_TRUE(readAlterability("a.csv", c.text, names, table.cells, coefficients, message))
            << c.text << message;
        EXPECT_EQ(coefficients, c.coefficients) << c.text;
        for (double coefficient : coefficients) EXPECT_FALSE(std::signbit(coefficient));
    }
}

TEST(AlterabilityFile, EachFaultIsOneLineWithItsPlace) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"",
         "a.csv:1: the file is empty; its first line names classes and the column "
         "alterability"},
        {"\n\n",
         "a.csv:1: the file is empty; its first line names classes and the column "
         "alterability"},
        {"Regoin,alterability\n",
         "a.csv:1: no class is named \"Regoin\" (did you mean \"Region\"?)"},
        {"Region,alterabilty\n",
         "a.csv:1: no class is named \"alterabilty\" (did you mean \"alterability\"?)"},
        {"Color,alterability\n", "a.csv:1: no class is named \"Color\""},
        {"Region,class1,alterability\n", "a.csv:1: the class \"Region\" is named twice"},
        {"Region,alterability,alterability\n", "a.csv:1: the column alterability comes twice"},
        {"Region,Sex\n", "a.csv:1: the header has no column alterability"},
        {"Region,alterability\nNorht,1\n",
         "a.csv:2: the class \"Region\" has no characteristic \"Norht\" (did you mean \"North\"?)"},
        {"Région,alterability\nNord,1\nSud,1\n",
         "a.csv:3: the class \"Region\" has no characteristic \"Sud\" (did you mean \"Süd\"?)"},
        {"Sex,alterability\n3,1\n", "a.csv:2: the class \"Sex\" has no characteristic \"3\""},
        {"Sex,alterability\n0,1\n", "a.csv:2: the class \"Sex\" has no characteristic \"0\""},
        {"Region,alterability\nNorth,1x\n",
         "a.csv:2: the alterability \"1x\" is not a finite number"},
        {"Region,alterability\nNorth,\n", "a.csv:2: the alterability \"\" is not a finite number"},
        {"Region,alterability\nNorth,nan\n",
         "a.csv:2: the alterability \"nan\" is not a finite number"},
        {"Region,alterability\nNorth,1e999\n",
         "a.csv:2: the alterability \"1e999\" is not a finite number"},
        {"Region,alterability\nNorth,-2\n", "a.csv:2: the alterability -2 is negative"},
        {"Region,alterability\nNorth\n", "a.csv:2: 1 field where the header has 2"},
        {"Region,alterability\nNorth,1,2\n", "a.csv:2: 3 fields where the header has 2"},
        {"Region,alterability\n\"North,1\n", "a.csv:2: a quoted field is not closed"},
        {"Region,alterability\n\"North\"x,1\n", "a.csv:2: text follows a closing quote"},
        // Names are made safe for a terminal.
        {"Re\x1b[31mgion,alterability\n",
         "a.csv:1: no class is named \"Re\\x1b[31mgion\" (did you mean \"Region\"?)"},
    };
    const Table table;
    const AlterabilityNames names{table.labels, table.classNames, &table.names};
    for (const auto& c : cases) {
        std::vector<double> coefficients;
        std::string message;
        EXPECT_FALSE(readAlterability("a.csv", c.text, names, table.cells, coefficients, message))
            << c.text;
        EXPECT_EQ(message, c.message) << c.text;
    }
}

// Without a class name file or a names file, classes go by number; a file that cannot be
// opened says why.
TEST(AlterabilityFile, ClassesByNumberAndUnreadableFiles) {
    const Table table;
    const std::vector<std::string> none;
    const AlterabilityNames names{table.labels, none, nullptr};
    std::vector<double> coefficients;
    std::string message;
    EXPECT_TRUE(readAlterability("a.csv", "class3,alterability\nold,0\n", names, table.cells,
                                 coefficients, message));
    EXPECT_EQ(coefficients, (std::vector<double>{1, 0, 1, 0, 0, 1, 0}));
    EXPECT_FALSE(readAlterability("a.csv", "Region,alterability\n", names, table.cells,
                                  coefficients, message));
    EXPECT_EQ(message, "a.csv:1: no class is named \"Region\"");
    EXPECT_FALSE(
        readAlterabilityFile("/nonexistent/a.csv", names, table.cells, coefficients, message));
    EXPECT_EQ(message, "/nonexistent/a.csv: No such file or directory");
}

}  // namespace
