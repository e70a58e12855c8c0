// The HTML report: user text escaped, the heat maps' cells as the classes give them, a page of
// bounded size whatever the table, and data that do not fit together left out.
#include "qorsolve/output/html_report.h"

#include <gtest/gtest.h>

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
    const std::string page = renderReport(data);
    EXPECT_LT(page.size(), 2'000'000u);
    EXPECT_EQ(occurrences(page, "<rect class=\"cell"), 10 * 24 * 24);
    EXPECT_EQ(occurrences(page, "<tr"), MAX_ROWS_SHOWN + 1);
}

TEST(HtmlReport, RestrictionsThatMovedMostComeFirst) {
    ReportData data = table({2, 2});
    int32_t n = 0;
    for (const double change : {1.0, -5.0, 3.0, 0.0}) {
        ++n;
        data.rows.push_back(
            {.number = n, .kind = "hard", .change = change, .binding = n == 2, .text = ""});
    }
    const std::string page = renderReport(data);
    std::vector<std::size_t> at;
    for (int number : {2, 3, 1, 4}) {
        at.push_back(page.find("<td class=\"n\">" + std::to_string(number) + "</td><td>hard"));
        ASSERT_NE(at.back(), std::string::npos);
    }
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_EQ(occurrences(page, "<tr class=\"binding\">"), 1u);
    EXPECT_NE(page.find("<tr class=\"binding\"><td class=\"n\">2</td>"), std::string::npos);
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
    EXPECT_NE(renderReport(stopped).find("<dd>0.25 (bound 3)</dd>"), std::string::npos);

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
