// The restrictions' statements as written, gathered by the real scanner: what a statement's
// text keeps of blanks, line ends and comments, where it starts, and how a statement longer
// than the scanner's buffer or than the text kept of it comes out.
#include "qorlex/model/statement_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qorlex/scanner/lex_table.h"

namespace {

const std::string HEAD =
    "KLASSEN Region, Sex;\nAUSPRAEGUNGEN Region = North, East, ENDE; Sex = 2;\n"
    "BASIS (_, _) 1 2 3 4 5 6;\nRESTRIKTIONEN\n";  // the restrictions start on line 5

struct Kept {
    std::vector<std::string> texts;
    std::vector<int32_t> lines;
};

Kept scanned(const std::string& text, int expectedCode = 0) {
    LexTable table;
    EXPECT_EQ(table.scanText(text, ""), expectedCode) << table.positionText();
    Kept kept;
    const StatementTexts& statements = table.statements();
    for (std::size_t i = 0; i < statements.size(); ++i) {
        kept.texts.emplace_back(statements.texts()[i]);
    }
    kept.lines = statements.lines();
    return kept;
}

TEST(StatementTexts, TokensAsWrittenBlanksLineEndsAndCommentsAsOneBlank) {
    const struct {
        const char* name;
        std::string restrictions;
        std::vector<std::string> texts;
        std::vector<int32_t> lines;
    } cases[] = {
        {"as written, blanks kept where they stand",
         "(North,_)=3;  2 * (East, 1)\t-\t(East, 2) | 0 30;",
         {"(North,_)=3", "2 * (East, 1) - (East, 2) | 0 30"},
         {5, 5}},
        {"over lines, a comment line inside",
         "\n  (_, 1)\n# the second sex\n\t  + (_, 2)\n  > 50 ;\n(North, _) ~ 13 0.5;",
         {"(_, 1) + (_, 2) > 50", "(North, _) ~ 13 0.5"},
         {6, 10}},
        {"empty statements are no restriction's",
         ";;(North, 1) < 9;;;(East, 2) = 5;",
         {"(North, 1) < 9", "(East, 2) = 5"},
         {5, 5}},
        {"names beginning with E in a reference, ENDE among them",
         "(ENDE, _) = 5; (East, 1) > 1\nENDE (North, 1) = 1;",
         {"(ENDE, _) = 5", "(East, 1) > 1"},
         {5, 5}},
        {"the last statement ended by the end of the input",
         "(North, _) = 3;\r\n(East, _) = 7\r\n",
         {"(North, _) = 3", "(East, _) = 7"},
         {5, 6}},
        {"no restriction", "", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Kept kept = scanned(HEAD + c.restrictions);
        EXPECT_EQ(kept.texts, c.texts);
        EXPECT_EQ(kept.lines, c.lines);
    }
}

// "(1) + (2) + ... + (count) = 5": each term as long as the number it names, plus 5.
std::string longStatement(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += (i > 1 ? " + (" : "(") + std::to_string(i) + ")";
    return text + " = 5";
}

TEST(StatementTexts, LongStatementsWholeUpToTheLimitThenBeginningAndEnd) {
    const int cells = 20000;
    const std::string head =
        "KLASSEN a; AUSPR a = " + std::to_string(cells) + "; BASIS (_) = 1;\nREST\n# below\n";
    const auto limit = static_cast<std::size_t>(MAX_STATEMENT_TEXT);
    // Longer than the scanner's buffer; a coefficient of 1 with leading zeros gives the length.
    const std::string terms = longStatement(3000);
    const auto padded = [&](std::size_t size) {
        return std::string(size - terms.size() - 2, '0') + "1 " + terms;
    };
    const Kept kept = scanned(head + padded(limit) + ";\n" + padded(limit + 1) + ";\n" +
                              longStatement(cells) + ";");
    ASSERT_EQ(kept.texts.size(), 3u);
    EXPECT_EQ(kept.lines, (std::vector<int32_t>{4, 5, 6}));
    EXPECT_EQ(kept.texts[0], padded(limit));
    // One byte more: the beginning and the end, each cut at a blank of the statement.
    const std::string fulls[] = {padded(limit + 1), longStatement(cells)};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const std::string& full = fulls[i];
        const std::string& cut = kept.texts[static_cast<std::size_t>(i) + 1];
        EXPECT_LE(cut.size(), limit);
        EXPECT_GT(cut.size(), limit - 20);
        const std::size_t join = cut.find(" ... ");
        ASSERT_NE(join, std::string::npos);
        EXPECT_EQ(cut.substr(0, join), full.substr(0, join));
        EXPECT_EQ(full[join], ' ');
        const std::string end = cut.substr(join + 5);
        EXPECT_TRUE(full.ends_with(" " + end));
        EXPECT_LE(end.size(), StatementTexts::END_KEPT);
        EXPECT_GT(end.size(), StatementTexts::END_KEPT - 10);
    }
    EXPECT_TRUE(kept.texts[2].ends_with("(20000) = 5"));
}

TEST(StatementTexts, ATokenLongerThanTheKeptEndStillEndsIt) {
    // A value of 16,000 decimals: the end kept is its last digits, with no blank to cut at.
    const std::string digits = "1." + std::string(16000, '7');
    const std::string terms = longStatement(4000).substr(0, longStatement(4000).size() - 4);
    const Kept kept =
        scanned("KLASSEN a; AUSPR a = 4000; BASIS (_) = 1; REST " + terms + " < " + digits + ";");
    ASSERT_EQ(kept.texts.size(), 1u);
    EXPECT_TRUE(kept.texts[0].ends_with(" ... " + std::string(StatementTexts::END_KEPT, '7')));
    EXPECT_LE(kept.texts[0].size(), static_cast<std::size_t>(MAX_STATEMENT_TEXT));
}

}  // namespace
