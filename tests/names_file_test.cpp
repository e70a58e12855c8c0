// The names file read back as it was written, the damage its reader refuses, and whether a
// restriction's statement is still the control file's.
#include "common/names_file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/bound_type.h"
#include "tests/test_files.h"

namespace {

ReadResult readBack(const std::string& path, NamesFile& names) {
    InputFile file;
    if (!file.open(path)) return ReadResult::INVALID;
    return readNamesFile(file, names);
}

TEST(NamesFile, ReadsBackWhatWasWritten) {
    NamesFile names;
    NamedClass region;
    static_cast<NamedItem&>(region) = {"Region", "Region, Kanton", "b.csv:1"};
    region.characteristics = {{"Zuerich", "Z\xc3\xbcrich", "b.csv:2"},
                              {"Y", "say \"hi\"\nnow ", "b.csv:9"}};
    names.classes = {region, NamedClass()};
    names.restrictions = {{"(Zuerich, _) = 5", "Region = Z\xc3\xbcrich: 5", "m.csv:2"}};
    TempDir dir;
    const std::string path = dir / "p-names.csv";
    {
        OutputFile file(path);
        ASSERT_TRUE(file.open());
        writeNamesFile(file, names);
        ASSERT_TRUE(file.commit());
    }
    NamesFile read;
    ASSERT_EQ(readBack(path, read), ReadResult::OK);
    ASSERT_EQ(read.classes.size(), 2u);
    EXPECT_EQ(read.classes[0].label, "Region, Kanton");
    ASSERT_EQ(read.classes[0].characteristics.size(), 2u);
    EXPECT_EQ(read.classes[0].characteristics[1].label, "say \"hi\"\nnow ");
    EXPECT_EQ(read.classes[0].characteristics[1].source, "b.csv:9");
    EXPECT_TRUE(read.classes[1].characteristics.empty());
    ASSERT_EQ(read.restrictions.size(), 1u);
    EXPECT_EQ(read.restrictions[0].name, "(Zuerich, _) = 5");
    EXPECT_EQ(read.restrictions[0].label, "Region = Z\xc3\xbcrich: 5");
    EXPECT_TRUE(isNamesFileHeader(readFile(path).substr(0, NAMES_FILE_HEADER.size())));
}

TEST(NamesFile, RefusesLinesOutOfOrder) {
    const std::string header = std::string(NAMES_FILE_HEADER) + "\n";
    const struct {
        std::string text;
        ReadResult result;
    } cases[] = {
        {header + "class,1,,A,a,x\r\ncharacteristic,1,1,B,b,x\r\n", ReadResult::OK},
        {"\xEF\xBB\xBF" + header + "class,1,,A,a,x,later column\n", ReadResult::OK},
        {"", ReadResult::INVALID},
        {"kind,class,number,name,label\n", ReadResult::INVALID},
        {header + "class,2,,A,a,x\n", ReadResult::INVALID},
        {header + "characteristic,1,1,B,b,x\n", ReadResult::INVALID},
        {header + "class,1,,A,a,x\ncharacteristic,1,2,B,b,x\n", ReadResult::INVALID},
        {header + "class,1,,A,a,x\ncharacteristic,1,01,B,b,x\n", ReadResult::INVALID},
        {header + "restriction,,1,s,d,x\nclass,1,,A,a,x\n", ReadResult::INVALID},
        {header + "restriction,,2,s,d,x\n", ReadResult::INVALID},
        {header + "class,1,,A,a\n", ReadResult::INVALID},
        {header + "class,1,,\"A,a,x\n", ReadResult::INVALID},
        {header + "cell,1,,A,a,x\n", ReadResult::INVALID},
    };
    TempDir dir;
    for (const auto& c : cases) {
        NamesFile names;
        EXPECT_EQ(readBack(dir.write("p-names.csv", c.text), names), c.result) << c.text;
    }
}

TEST(NamesFile, StatementFitsItsRestriction) {
    const struct {
        const char* statement;
        int32_t type;
        double lower, upper;
        bool fits;
    } cases[] = {
        {"(A, _) = 782070", BOUND_EQUAL, 782070, 782070, true},
        {"(A, _) = 782070", BOUND_EQUAL, 782071, 782071, false},
        {"(A, _) = 5", BOUND_RANGE, 5, 5, false},
        {"(A, _) | 774249.3 789890.7", BOUND_RANGE, 774249.3, 789890.7, true},
        {"(A, _) | 774249.3 789890.7", BOUND_RANGE, 774249.3, 789890, false},
        {"(A, _) ~ 1.e+20 2", BOUND_WEAK, 1e20, 1e20, true},
        {"(_, _) > 3", BOUND_LOWER, 3, NO_BOUND, true},
        {"(_, _) < 3", BOUND_UPPER, -NO_BOUND, 3, true},
        {"(_, _) =", BOUND_EQUAL, 0, 0, false},
        {"no statement", BOUND_EQUAL, 0, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(statementFits(c.statement, c.type, c.lower, c.upper), c.fits) << c.statement;
    }
}

}  // namespace
