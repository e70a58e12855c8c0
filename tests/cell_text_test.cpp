// Cells, names and numbers as qordump and qorsolve show them.
#include "common/cell_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/solve_project.h"

namespace {

TEST(CellText, NamesAreMadeSafe) {
    const std::string bytes("a\"b\\c\n\t\x01\x7f\xc3\xa9", 11);
    EXPECT_EQ(jsonString(bytes), "\"a\\\"b\\\\c\\n\\t\\u0001\\u007f\\u00c3\\u00a9\"");
    EXPECT_EQ(terminalText(bytes), "a\"b\\c\\x0a\\x09\\x01\\x7f\xc3\xa9");
    EXPECT_EQ(jsonString(std::string(1, '\0')), "\"\\u0000\"");
}

// Labels keep their letters on a terminal; what could hide or reorder text does not pass.
TEST(CellText, TerminalTextKeepsPrintableUtf8) {
    const struct {
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"Z\xc3\xbcrich 65+", "Z\xc3\xbcrich 65+"},
        {"\xe5\x8c\x97\xe4\xba\xac \xf0\x9f\x93\x88", "\xe5\x8c\x97\xe4\xba\xac \xf0\x9f\x93\x88"},
        {"\xc2\x85", "\\xc2\\x85"},  // a C1 control
        {"a\xe2\x80\xae"
         "b",
         "a\\xe2\\x80\\xaeb"},                  // a right-to-left override
        {"\xef\xbb\xbfx", "\\xef\\xbb\\xbfx"},  // a byte-order mark
        {"\xc3", "\\xc3"},                      // cut short
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},    // a surrogate
    };
    for (const auto& c : cases) EXPECT_EQ(terminalText(c.bytes), c.shown) << c.bytes;
}

TEST(CellText, NumbersReadBackExactly) {
    const std::pair<double, const char*> cases[] = {{12.0, "12"},
                                                    {0.1, "0.1"},
                                                    {-2.5, "-2.5"},
                                                    {1e38, "1e+38"},
                                                    {1.0 / 3, "0.3333333333333333"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(numberText(value), text);
}

// A named class of two (one name with a line end) by an unnamed class of three: the last class
// varies fastest, unnamed characteristics count from 1, and only the terminal form escapes.
TEST(CellText, CellsByTheirCharacteristics) {
    LabelFile labels;
    ClassLabels unnamed;
    unnamed.size = 3;
    labels.classes = {namedClass({"North", "Z\xc3\xbcrich\n"}), unnamed};
    const CellNamer terminal(labels, NameStyle::TERMINAL);
    const CellNamer raw(labels, NameStyle::RAW);
    const struct {
        int32_t cell;
        const char* terminal;
        const char* raw;
    } cases[] = {
        {0, "(North, 1)", "(North, 1)"},
        {2, "(North, 3)", "(North, 3)"},
        {3, "(Z\xc3\xbcrich\\x0a, 1)", "(Z\xc3\xbcrich\n, 1)"},
        {5, "(Z\xc3\xbcrich\\x0a, 3)", "(Z\xc3\xbcrich\n, 3)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(terminal.cellText(c.cell), c.terminal) << c.cell;
        EXPECT_EQ(raw.cellText(c.cell), c.raw) << c.cell;
    }
}

}  // namespace
