// The HTML report: user text escaped, the heat maps' cells as the classes give them, a page of
// bounded size whatever the table, and data that do not fit together left out.
#include "qorsolve/output/html_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "tests/solver_fixtures.h"

namespace {

// A table of the given class sizes with every `stride`-th cell adjustable; cell j moves by
// (j % 5 - 2) percent.
ReportData table(const std::vector<int32_t>& sizes, std::size_t stride = 1) {
    ReportData data;
    data.project = "out/p";
    data.status = "optimal";
    data.hasTable = true;
    data.classSizes = sizes;
    std::size_t cells = 1;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        data.classNames.push_back("class" + std::to_string(k + 1));
        data.characteristics.emplace_back();
        cells *= static_cast<std::size_t>(sizes[k]);
    }
    for (std::size_t cell = 0; cell < cells; cell += stride) {
        std::size_t rest = cell;
        std::vector<int32_t> at(sizes.size());
        for (std::size_t k = sizes.size(); k-- > 0;) {
            at[k] = static_cast<int32_t>(rest % static_cast<std::size_t>(sizes[k]));
            rest /= static_cast<std::size_t>(sizes[k]);
        }
        data.cellAt.insert(data.cellAt.end(), at.begin(), at.end());
        const double base = 100.0 + static_cast<double>(cell % 7);
        data.base.push_back(base);
        data.adjusted.push_back(base * (1 + (static_cast<double>(cell % 5) - 2) / 100));
    }
    return data;
}

TEST(HtmlReport, TextIsEscaped) {
    const struct {
        std::string bytes;
        std::string html;
    } cases[] = {
        {"North", "North"},
        {"<b>&\"'", "&lt;b&gt;&amp;&quot;&#39;"},
        {"Z\xc3\xbcrich \xe2\x80\xa6 \xf0\x9f\x93\x88",
         "Z\xc3\xbcrich \xe2\x80\xa6 \xf0\x9f\x93\x88"},
        {"a\x01z\x7f", "a\\x01z\\x7f"},
        {"\xff\xfe", "\\xff\\xfe"},           // not UTF-8
        {"\xc0\xaf", "\\xc0\\xaf"},           // an overlong '/'
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},  // a surrogate
        {"ab\xe2\x82", "ab\\xe2\\x82"},       // cut short
        {"\xc3<", "\\xc3&lt;"},               // a lead byte before markup
    };
    for (const auto& c : cases) EXPECT_EQ(htmlText(c.bytes), c.html) << c.bytes;

    const struct {
        std::string bytes;
        std::size_t limit;
        std::string cut;
    } cuts[] = {
        {"abc", 3, "abc"},
        {"abcdef", 4, "abc\xe2\x80\xa6"},
        {"\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f", 3, "\xc3\xa4\xc3\xb6\xe2\x80\xa6"},
        {"\xff\xff\xff", 2, "\xff\xe2\x80\xa6"},
    };
    for (const auto& c : cuts) EXPECT_EQ(cutText(c.bytes, c.limit), c.cut) << c.bytes;
}

TEST(HtmlReport, UserTextNeverBecomesMarkup) {
    const std::string evil = "<script>alert(1)</script>\"><img src=x>";
    ReportData data = table({2, 2});
    data.project = evil;
    data.classNames = {evil, evil};
    data.characteristics = {{evil, "b"}, {"c", evil}};
    data.rows.push_back({.number = 1, .kind = "hard", .text = evil});
    data.conflictLines = {evil, "advice: " + evil};
    const std::string page = renderReport(data);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_GT(occurrences(page, "&lt;script&gt;"), 5u);
    EXPECT_TRUE(page.starts_with(std::string(REPORT_FIRST_LINE) + "\n"));
    // Nothing to fetch or run: no script, link, source or import of any kind.
    const std::string plain = renderReport(table({3, 2}));
    for (const char* fetch : {"<script", "src=", "href=", "@import", "url(", "<link"}) {
        EXPECT_EQ(plain.find(fetch), std::string::npos) << fetch;
    }
}

TEST(HtmlReport, OneHeatMapCellPerPairOfBins) {
    const struct {
        std::vector<int32_t> sizes;
        std::size_t stride;
        std::size_t cells;
    } cases[] = {
        {{3, 2}, 1, 6},
        {{4, 3, 2}, 1, 4 * 3 + 4 * 2 + 3 * 2},
        {{5}, 1, 5},             // one class: one strip
        {{24, 25}, 1, 24 * 13},  // 25 characteristics in groups of 2
        {{100, 50, 20, 10}, 7, 20 * 17 + 20 * 20 + 20 * 10 + 17 * 20 + 17 * 10 + 20 * 10},
        // The pairs of the first 5 classes of 7, the others summed over.
        {{2, 2, 2, 2, 2, 2, 2}, 1, 10 * 4},
        // A sparse table: the bins without cells are drawn empty.
        {{3, 4}, 5, 12},
    };
    for (const auto& c : cases) {
        const ReportData data = table(c.sizes, c.stride);
        const std::string page = renderReport(data);
        EXPECT_EQ(occurrences(page, "<rect class=\"cell"), c.cells) << c.sizes.size();
        const std::size_t adjustable = data.base.size();
        EXPECT_NE(page.find("<dd>" + std::to_string(adjustable) + " adjustable"),
                  std::string::npos);
    }
    EXPECT_EQ(occurrences(renderReport(table({3, 4}, 5)), "<rect class=\"cell empty\""), 9u);

    // A class as large as a table can be: 24 groups of 89478486, the last one cut short.
    ReportData largest = table({1, 2});
    largest.classSizes[0] = 2147483647;
    const std::string page = renderReport(largest);
    EXPECT_EQ(occurrences(page, "<rect class=\"cell"), 24u * 2);
    EXPECT_NE(page.find("<title>2058005179\u20132147483647, 1: "), std::string::npos);
}

TEST(HtmlReport, SizeIsBoundedWhateverTheTable) {
    // Six classes of 1000 long names each, a thousand cells spread over them, ten thousand
    // restrictions of long texts and as many conflict lines.
    ReportData data;
    data.project = std::string(10000, 'p');
    data.status = "optimal";
    data.hasTable = true;
    const std::string longName(300, 'n');
    data.classNames.assign(6, longName);
    data.classSizes.assign(6, 1000);
    data.characteristics.assign(6, std::vector<std::string>(1000, longName + "\xc3\xa4<&>"));
    for (int j = 0; j < 1000; ++j) {
        for (int k = 0; k < 6; ++k) data.cellAt.push_back((j * 7919 + k * 104729) % 1000);
        data.base.push_back(1 + j);
        data.adjusted.push_back(1 + j + (j % 3) - 1);
    }
    for (int i = 0; i < 5000; ++i) {
        data.rows.push_back(
            {.number = i + 1, .kind = "hard", .change = double(i), .text = std::string(5000, '<')});
    }
    data.conflictLines.assign(5000, std::string(5000, '&'));
    data.run.read.assign(5000, {.path = std::string(5000, 'f'), .known = true});
    data.run.madeFrom = data.run.read;
    const std::string page = renderReport(data);
    EXPECT_LT(page.size(), 2'000'000u);
    EXPECT_EQ(occurrences(page, "<rect class=\"cell"), 10 * 24 * 24);
    EXPECT_EQ(occurrences(page, "<td class=\"text\""), MAX_ROWS_SHOWN);
    // Printed, the restrictions that moved most; the rest on screen only.
    EXPECT_EQ(occurrences(page, "<tbody class=\"screen\">"), MAX_ROWS_SHOWN - MAX_ROWS_PRINTED);
    EXPECT_NE(page.find("Printed: the 50 that moved most of 5000"), std::string::npos);
    EXPECT_EQ(occurrences(page, "f\u2026"), 2 * 20u);
    EXPECT_EQ(occurrences(page, "(+ 4980 more files)"), 2u);
}

TEST(HtmlReport, RestrictionsThatMovedMostComeFirst) {
    ReportData data = table({2, 2});
    int32_t n = 0;
    for (const double change : {1.0, -5.0, 3.0, 0.0}) {
        ++n;
        data.rows.push_back({.number = n, .kind = "hard", .change = change, .text = ""});
    }
    const std::string page = renderReport(data);
    std::vector<std::size_t> at;
    for (int number : {2, 3, 1, 4}) {
        at.push_back(page.find("<td class=\"n\">" + std::to_string(number) + "</td><td>hard"));
        ASSERT_NE(at.back(), std::string::npos);
    }
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_EQ(occurrences(page, "<td class=\"text\""), 0u);  // no text, no line for it
}

TEST(HtmlReport, OnlyBindingInequalitiesAreHighlighted) {
    constexpr double NONE = std::numeric_limits<double>::infinity();
    // An equality always holds; marking it binding says nothing.
    const struct {
        const char* kind;
        double lower;
        double upper;
        bool binding;
        const char* group;
        const char* word;
    } cases[] = {
        {"hard", 5, 5, true, "<tbody>", "equality"},
        {"bound", 0, 0, true, "<tbody>", "equality"},
        {"hard", 5, NONE, true, "<tbody class=\"binding\">", "\u25cf yes"},
        {"hard", -NONE, 5, false, "<tbody>", "no"},
        {"bound", 1, 9, true, "<tbody class=\"binding\">", "\u25cf yes"},
        {"weak", 5, 5, false, "<tbody>", ""},
    };
    for (const auto& c : cases) {
        ReportData data = table({2, 2});
        data.rows.push_back({.number = 7,
                             .kind = c.kind,
                             .lower = c.lower,
                             .upper = c.upper,
                             .weak = std::string(c.kind) == "weak",
                             .binding = c.binding,
                             .text = "(1, 1) = 5"});
        const std::string page = renderReport(data);
        EXPECT_NE(page.find(std::string(c.group) + "<tr><td class=\"n\">7</td>"), std::string::npos)
            << c.kind << c.lower;
        EXPECT_NE(page.find("<td class=\"b\">" + std::string(c.word) +
                            "</td></tr>\n<tr><td "
                            "class=\"text\" colspan=\"9\">(1, 1) = 5</td></tr>"),
                  std::string::npos)
            << c.kind << c.lower;
    }
}

TEST(HtmlReport, HeaderTellsHowTheRunWent) {
    ReportData data = table({3, 2});
    data.run.distance = "chi-square distance: (x \u2212 b)\u00b2 / b";
    data.run.objective = "the sum of <it>";
    data.run.workLimit = 200000;
    data.run.work = 18;
    data.run.read = {{.path = "out/p-lbl.dat", .known = true, .modifiedSeconds = 1714564807},
                     {.path = "out/p-cls.dat", .known = true, .modifiedSeconds = 1714564807},
                     {.path = "out/p-<bin>.dat"}};
    data.run.madeFrom = {{.path = "p.txt", .known = true, .changed = true}};
    data.run.version = "1.2.3";
    data.run.date = 951868799;
    const std::string page = renderReport(data);
    for (const char* part : {
             "<dd>whole numbers</dd>",
             "<dd>chi-square distance: (x \u2212 b)\u00b2 / b</dd>",
             "<dd>the sum of &lt;it&gt;</dd>",
             "<dd>work 200000 units (18 done), no time limit</dd>",
             "<div class=\"file\">out/p-lbl.dat, out/p-cls.dat: <span class=\"time\">2024-05-01 "
             "12:00:07 UTC</span></div>",
             "<div class=\"file\">out/p-&lt;bin&gt;.dat: <span class=\"time\">time unknown</span>",
             "<span class=\"time\">1970-01-01 00:00:00 UTC, changed since</span>",
             "<dd>2000-02-29 23:59:59 UTC by qorsolve 1.2.3</dd>",
         }) {
        EXPECT_NE(page.find(part), std::string::npos) << part;
    }
    // Nothing claims the user's names to be English.
    EXPECT_EQ(page.find("lang="), std::string::npos);

    data.run.wholeNumbers = false;
    data.run.timeLimit = 2.5;
    EXPECT_NE(renderReport(data).find("<dd>real numbers (--continuous)</dd>\n"), std::string::npos);
    EXPECT_NE(renderReport(data).find("<dd>time 2.5 s</dd>"), std::string::npos);

    // Dates by the calendar, before 1970 and far ahead too.
    const struct {
        int64_t seconds;
        const char* date;
    } dates[] = {
        {0, "1970-01-01 00:00:00"},
        {-1, "1969-12-31 23:59:59"},
        {4107542400, "2100-03-01 00:00:00"},
        {253402300799, "9999-12-31 23:59:59"},
        {-11670955200, "1600-02-29 12:00:00"},
        {1714564807, "2024-05-01 12:00:07"},
    };
    for (const auto& d : dates) {
        data.run.date = d.seconds;
        EXPECT_NE(renderReport(data).find("<dd>" + std::string(d.date) + " UTC by qorsolve"),
                  std::string::npos)
            << d.seconds;
    }
    data.run.date = std::numeric_limits<int64_t>::max();
    EXPECT_TRUE(renderReport(data).ends_with("</html>\n"));
}

TEST(HtmlReport, SquaresShowTheChangeWhereItFits) {
    // Squares of 64 x 34 pixels take both lines, of 40 x 17 (20 rows, 10 columns) the change
    // alone, of 16 x 14 neither.
    const struct {
        std::vector<int32_t> sizes;
        std::size_t changes;
        std::size_t ratios;
    } cases[] = {
        {{3, 2}, 6, 6},
        {{20, 10}, 200, 0},
        {{24, 24}, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string page = renderReport(table(c.sizes));
        EXPECT_EQ(occurrences(page, "<text class=\"change\""), c.changes) << c.sizes[1];
        EXPECT_EQ(occurrences(page, "<text class=\"ratio\""), c.ratios) << c.sizes[1];
    }
    // Each square's sums: their change in whole units from 100, else in three significant
    // digits or as few as fit; a difference of rounding alone is none.
    const struct {
        double base;
        double adjusted;
        const char* change;
        const char* ratio;
    } squares[] = {
        {100, 151, "+51", "+51%"},         {1000, 864, "-136", "-14%"},
        {10.5, 10.625, "+0.125", "+1.2%"}, {1043.1, 1043.1 + 1e-10, "0", "0%"},
        {1e12, 2e12, "+1e+12", "+100%"},
    };
    for (const auto& q : squares) {
        ReportData data = table({1});
        data.base = {q.base};
        data.adjusted = {q.adjusted};
        const std::string page = renderReport(data);
        EXPECT_NE(page.find(std::string(">") + q.change + "</text>\n<text class=\"ratio\""),
                  std::string::npos)
            << q.change;
        EXPECT_NE(page.find(std::string(">") + q.ratio + "</text>"), std::string::npos) << q.ratio;
    }
}

TEST(HtmlReport, CellsOfTheLargestChangesListed) {
    // Cell j of base 100 moves by j - 12 units; cell 5 has no base; cell 12 stays.
    ReportData data = table({5, 5});
    for (std::size_t j = 0; j < data.base.size(); ++j) {
        data.base[j] = 100 + static_cast<double>(j);
        data.adjusted[j] = data.base[j] + static_cast<double>(j) - 12;
    }
    data.base[5] = 0;
    data.adjusted[5] = 50;
    const std::string page = renderReport(data);
    const std::size_t absolute = page.find("<h3>Largest changes");
    const std::size_t relative = page.find("<h3>Largest relative changes");
    ASSERT_NE(absolute, std::string::npos);
    ASSERT_NE(relative, std::string::npos);
    const std::string first = page.substr(absolute, relative - absolute);
    const std::string second = page.substr(relative);
    EXPECT_EQ(occurrences(first, "<td class=\"cell\">"), MAX_CELLS_LISTED);
    EXPECT_EQ(occurrences(second, "<td class=\"cell\">"), MAX_CELLS_LISTED);
    // By size, +50 of no base first, then -12 at (1, 1) before +12 at (5, 5), equal ones in
    // the table's order; relative, -12/100 at (1, 1) first, and no cell without base.
    const std::size_t cell51 = first.find("(2, 1)</td><td class=\"n\">0</td>");
    const std::size_t cell11 = first.find("(1, 1)</td><td class=\"n\">100</td>");
    const std::size_t cell55 = first.find("(5, 5)</td>");
    EXPECT_LT(cell51, cell11);
    EXPECT_LT(cell11, cell55);
    EXPECT_NE(second.find("<td class=\"cell\">(1, 1)</td><td class=\"n\">100</td><td "
                          "class=\"n\">88</td><td class=\"n\">-12</td><td class=\"n\">-12%"),
              std::string::npos);
    EXPECT_EQ(second.find("(2, 1)"), std::string::npos);
    EXPECT_EQ(page.find("(3, 3)</td>"), std::string::npos);  // unchanged

    // Real values to four decimals, so that the two tables fit side by side in print.
    ReportData real = table({2, 2});
    real.base[0] = 197;
    real.adjusted[0] = 332.32419331;
    EXPECT_NE(renderReport(real).find("<td class=\"n\">197</td><td class=\"n\">332.3242</td>"
                                      "<td class=\"n\">+135.3242</td>"),
              std::string::npos);

    ReportData still = table({2, 2});
    still.adjusted = still.base;
    EXPECT_NE(renderReport(still).find("<p class=\"note\">No cell changed.</p>"),
              std::string::npos);
}

TEST(HtmlReport, HistogramShowsEveryCell) {
    // 1000 cells within 1 % and three far out: the scale ends near the bulk and counts the
    // three at its edges; no bar is lower than 3 pixels or as light as the page.
    ReportData data = table({1000});
    for (std::size_t j = 0; j < data.base.size(); ++j) {
        data.adjusted[j] = data.base[j] * (1 + (static_cast<double>(j % 21) - 10) / 1000);
    }
    data.adjusted[7] = data.base[7] * 0.67;
    data.adjusted[8] = data.base[8] * 0.66;
    data.adjusted[9] = data.base[9] * 1.4;
    const std::string page = renderReport(data);
    EXPECT_NE(page.find("The scale ends at \u00b11%: 3 cells beyond it"), std::string::npos);
    EXPECT_NE(page.find("<title>below -1%: 2 cells</title>"), std::string::npos);
    EXPECT_NE(page.find("<title>above +1%: 1 cells</title>"), std::string::npos);
    std::size_t bars = 0;
    for (std::size_t at = page.find("<rect class=\"bar"); at != std::string::npos;
         at = page.find("<rect class=\"bar", at + 1)) {
        ++bars;
        const std::string bar = page.substr(at, page.find('>', at) - at);
        const std::size_t height = bar.find("height=\"");
        ASSERT_NE(height, std::string::npos);
        EXPECT_GE(std::stod(bar.substr(height + 8)), 3.0) << bar;
        EXPECT_EQ(bar.find("#f7f7f7"), std::string::npos) << bar;
        EXPECT_EQ(bar.find("#f"), std::string::npos) << bar;  // no near-white fill
    }
    EXPECT_EQ(bars, 2u + 21u - 1u);  // the edges, and 20 bars of ratios not 0
    EXPECT_EQ(occurrences(page, "<text class=\"count\""), bars + 2);  // and "less", "more"

    // Spread evenly, the scale spans them all.
    const std::string even = renderReport(table({3, 2}));
    EXPECT_EQ(even.find("The scale ends"), std::string::npos);
    EXPECT_EQ(even.find("bar beyond"), std::string::npos);
}

TEST(HtmlReport, DataThatDoNotFitAreLeftOut) {
    const struct {
        void (*damage)(ReportData&);
        const char* cells;
    } cases[] = {
        {[](ReportData& d) { d.cellAt[1] = 2; }, "3 adjustable"},  // cell 0 outside class 2
        {[](ReportData& d) { d.adjusted.pop_back(); }, "0 adjustable"},
        {[](ReportData& d) {
             d.classNames.clear();
             d.characteristics = {{"only one name"}};
         },
         "0 adjustable"},
    };
    for (const auto& c : cases) {
        ReportData data = table({2, 2});
        c.damage(data);
        const std::string page = renderReport(data);
        EXPECT_NE(page.find(c.cells), std::string::npos) << c.cells;
        EXPECT_TRUE(page.ends_with("</html>\n"));
    }
}

TEST(HtmlReport, ChangesNearTheLargestDoubleStillDrawn) {
    // The histogram's limit rounded up past the largest double, and its bins came out of NaN.
    for (double adjusted : {1.7e308, -1.7e308, 1e308}) {
        ReportData data = table({2, 2});
        data.base[1] = 1.0;
        data.adjusted[1] = adjusted;
        const std::string page = renderReport(data);
        EXPECT_NE(page.find("e+310%"), std::string::npos) << adjusted;
        EXPECT_EQ(page.find("nan"), std::string::npos) << adjusted;
        EXPECT_EQ(page.find("inf"), std::string::npos) << adjusted;
        EXPECT_TRUE(page.ends_with("</html>\n"));
    }
    ReportData data = table({2, 2});  // a base so small that the change is beyond doubles
    data.base[1] = 1e-300;
    data.adjusted[1] = 1e10;
    EXPECT_NE(renderReport(data).find("+\u221e%"), std::string::npos);
}

TEST(HtmlReport, TableOrConflictOrStatusAlone) {
    const std::string adjusted = renderReport(table({3, 2}));
    EXPECT_NE(adjusted.find("Where the table moved"), std::string::npos);
    EXPECT_NE(adjusted.find("<svg class=\"histogram\""), std::string::npos);
    // Cells 0 to 5 move by -2, -1, 0, +1, +2, -2 percent.
    EXPECT_NE(adjusted.find("5 cells changed, 1 unchanged"), std::string::npos);
    EXPECT_NE(adjusted.find("<dd>0 (proven optimum)</dd>"), std::string::npos);
    ReportData stopped = table({3, 2});
    stopped.status = "time limit";
    stopped.proven = false;
    stopped.gap = 0.25;
    stopped.bound = 3;
    EXPECT_NE(renderReport(stopped).find("<dd>0.25 = 25% (bound 3)</dd>"), std::string::npos);

    ReportData conflict = table({3, 2});
    conflict.hasTable = false;
    conflict.status = "infeasible";
    conflict.conflictLines = {"conflict: 2 restrictions and bounds cannot all hold",
                              "restriction 1: (1, 1) = 5", "advice: check restriction 1 first"};
    const std::string page = renderReport(conflict);
    EXPECT_EQ(page.find("<svg"), std::string::npos);
    EXPECT_NE(page.find("<pre class=\"conflict\">conflict: 2 restrictions and bounds cannot all "
                        "hold\nrestriction 1: (1, 1) = 5\n</pre>\n<p class=\"advice\"><b>advice:"
                        "</b> check restriction 1 first</p>"),
              std::string::npos);
    EXPECT_NE(page.find("status bad\">infeasible"), std::string::npos);
}

}  // namespace
