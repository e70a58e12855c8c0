// Fields of delimited files: written quoted where needed, and read back as spreadsheets write
// them.
#include "common/csv_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CsvFields, QuotesNamesThatNeedItOrAlways) {
    const struct {
        const char* name;
        const char* field;   // quoted when needed
        const char* always;  // quoted always
    } cases[] = {
        {"Bern", "Bern", "\"Bern\""},
        {"", "", "\"\""},
        {"a,b", "\"a,b\"", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\"", "\"two\nlines\""},
        {" padded", "\" padded\"", "\" padded\""},
        {"inner space", "inner space", "\"inner space\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(csvField(c.name), c.field) << c.name;
        EXPECT_EQ(csvField(c.name, Quoting::ALWAYS), c.always) << c.name;
    }
}

TEST(CsvFields, LinesJoinTheirFields) {
    EXPECT_EQ(csvLine({}), "\n");
    EXPECT_EQ(csvLine({""}), "\n");
    EXPECT_EQ(csvLine({"", ""}), ",\n");
    EXPECT_EQ(csvLine({"1", "\"a,b\"", "", "x"}), "1,\"a,b\",,x\n");
}

// A header line read back into its fields, as csvField wrote them.
TEST(CsvFields, SplitsALineIntoItsFields) {
    const struct {
        const char* line;
        std::vector<std::string> fields;  // empty: not a line of fields
    } cases[] = {
        {"a,b", {"a", "b"}},
        {"", {""}},
        {"a,,", {"a", "", ""}},
        {"\"Region, part\",Sex", {"Region, part", "Sex"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"\"\",relative change", {"", "relative change"}},
        {"\"open,b", {}},
        {"\"a\"b,c", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> fields{"left over"};
        EXPECT_EQ(csvSplit(c.line, fields), !c.fields.empty()) << c.line;
        if (!c.fields.empty()) {
            EXPECT_EQ(fields, c.fields) << c.line;
        }
    }
}

// Records across lines, separators, quotes and blanks; each with the line it begins on.
TEST(CsvFields, ReaderTakesRecordsAsSpreadsheetsWriteThem) {
    using Status = CsvReader::Status;
    const struct {
        std::string text;
        char separator;
        bool trim;
        std::vector<std::vector<std::string>> records;
        std::vector<int64_t> lines;
        Status last;  // after the records
    } cases[] = {
        {"a;b\r\nc;d", ';', false, {{"a", "b"}, {"c", "d"}}, {1, 2}, Status::END},
        {"a\rb\n\nc", ',', false, {{"a"}, {"b"}, {""}, {"c"}}, {1, 2, 3, 4}, Status::END},
        {" \"x;\"\"y\"\"\" ;\t z \n", ';', true, {{"x;\"y\"", "z"}}, {1}, Status::END},
        {"\"two\nlines\",x\ny", ',', false, {{"two\nlines", "x"}, {"y"}}, {1, 3}, Status::END},
        {"a\tb \n", '\t', true, {{"a", "b"}}, {1}, Status::END},
        {" a , b ", ',', false, {{" a ", " b "}}, {1}, Status::END},
        {"ok\n\"open;x", ';', false, {{"ok"}}, {1}, Status::UNCLOSED_QUOTE},
        {"\"a\"b;c", ';', true, {}, {}, Status::TEXT_AFTER_QUOTE},
    };
    for (const auto& c : cases) {
        CsvReader reader(c.text, c.separator, c.trim);
        std::vector<std::string_view> fields;
        for (std::size_t r = 0; r < c.records.size(); ++r) {
            ASSERT_EQ(reader.next(fields), Status::RECORD) << c.text;
            EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()), c.records[r])
                << c.text;
            EXPECT_EQ(reader.line(), c.lines[r]) << c.text;
        }
        EXPECT_EQ(reader.next(fields), c.last) << c.text;
    }
}

}  // namespace
