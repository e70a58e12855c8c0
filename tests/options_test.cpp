// qorsolve's command line: every option in both spellings, the values each takes and the one
// line each prints when a value does not do or comes twice.
#include "qorsolve/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::string usage() {
    std::ostringstream out;
    printUsage(out);
    return out.str();
}

// The options as one line of text, to compare whole.
std::string described(const SolveOptions& o) {
    std::ostringstream text;
    text << (o.continuous ? "continuous " : "") << (o.ignoreWeak ? "ignore-weak " : "")
         << (o.conflictsOnly ? "conflicts-only " : "") << (o.quiet ? "quiet " : "")
         << (o.allCells ? "all-cells " : "") << (o.help ? "help " : "")
         << (o.version ? "version " : "") << "time " << o.timeLimit << " work " << o.workLimit
         << " report '" << o.report << "' projects";
    for (const std::string& project : o.projects) text << " '" << project << "'";
    return text.str();
}

const std::string WORK = "work " + std::to_string(DEFAULT_WORK_LIMIT);
const std::string DEFAULTS = WORK + " report '' projects";

TEST(Options, EachOptionInEachSpelling) {
    const struct {
        std::vector<std::string> args;
        std::string options;
    } cases[] = {
        {{}, "time inf " + DEFAULTS},
        {{"p"}, "time inf " + DEFAULTS + " 'p'"},
        {{"--continuous", "p", "--ignore-weak", "--conflicts-only", "--all-cells"},
         "continuous ignore-weak conflicts-only all-cells time inf " + DEFAULTS + " 'p'"},
        {{"--quiet", "--help", "--version"}, "quiet help version time inf " + DEFAULTS},
        {{"-q", "-h"}, "quiet help time inf " + DEFAULTS},
        {{"--time-limit", "2.5", "p"}, "time 2.5 " + DEFAULTS + " 'p'"},
        {{"--time-limit=1e-3"}, "time 0.001 " + DEFAULTS},
        {{"--work-limit", "7"}, "time inf work 7 report '' projects"},
        {{"--work-limit=9000000000000000000"},
         "time inf work 9000000000000000000 report '' projects"},
        {{"--report", "r.html", "p"}, "time inf " + WORK + " report 'r.html' projects 'p'"},
        {{"--report=a=b.html"}, "time inf " + WORK + " report 'a=b.html' projects"},
        // After "--" everything is a project; so is a lone "-".
        {{"--", "--quiet", "-x"}, "time inf " + DEFAULTS + " '--quiet' '-x'"},
        {{"-", "q"}, "time inf " + DEFAULTS + " '-' 'q'"},
        {{"a", "b"}, "time inf " + DEFAULTS + " 'a' 'b'"},
    };
    for (const auto& c : cases) {
        SolveOptions options;
        std::ostringstream out;
        EXPECT_TRUE(parseOptions(c.args, options, out)) << c.options;
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(described(options), c.options);
    }
}

// The settings the stages read: whole numbers but for a real-valued run or a feasibility check.
TEST(Options, WholeNumbersUnlessContinuousOrConflictsOnly) {
    const struct {
        std::vector<std::string> args;
        bool wholeNumbers;
    } cases[] = {
        {{"p"}, true},
        {{"--ignore-weak", "--all-cells", "--work-limit=5", "p"}, true},
        {{"--continuous", "p"}, false},
        {{"--conflicts-only", "p"}, false},
        {{"--conflicts-only", "--continuous", "p"}, false},
    };
    for (const auto& c : cases) {
        SolveOptions options;
        std::ostringstream out;
        ASSERT_TRUE(parseOptions(c.args, options, out)) << c.args[0];
        EXPECT_EQ(options.wholeNumbers(), c.wholeNumbers) << c.args[0];
    }
}

// Where the result files go and their form, in each spelling; the defaults are the project's
// name and plain comma-separated text.
TEST(Options, ResultFilesPlaceAndForm) {
    const struct {
        std::vector<std::string> args;
        std::string output;
        char separator;
        bool decimalComma;
    } cases[] = {
        {{"p"}, "", ',', false},
        {{"--output", "p-real", "p"}, "p-real", ',', false},
        {{"--output=out/p=1"}, "out/p=1", ',', false},
        {{"--sep", ";", "p"}, "", ';', false},
        {{"--sep=,"}, "", ',', false},
        {{"--sep", "\t"}, "", '\t', false},
        {{"--sep", "\\t"}, "", '\t', false},
        {{"--sep=tab"}, "", '\t', false},
        {{"--decimal-comma", "--sep", ";"}, "", ';', true},
        {{"--sep", "tab", "p", "--decimal-comma", "--output", "q"}, "q", '\t', true},
    };
    for (const auto& c : cases) {
        SolveOptions options;
        std::ostringstream out;
        ASSERT_TRUE(parseOptions(c.args, options, out)) << out.str();
        EXPECT_EQ(options.output, c.output);
        EXPECT_EQ(options.separator, c.separator);
        EXPECT_EQ(options.decimalComma, c.decimalComma);
    }
}

TEST(Options, ValuesThatDoNotDoAreOneErrorLine) {
    const std::string seconds = "Error: --time-limit needs a positive number of seconds\n";
    const std::string count = "Error: --work-limit needs a positive whole number\n";
    const std::string file = "Error: --report needs a file name\n";
    const std::string prefix =
        "Error: --output needs a prefix for the result files' names, such as results/p-real\n";
    const std::string separator = "Error: --sep needs one of , ; or tab\n";
    const std::string decimalComma =
        "Error: --decimal-comma needs another separator than the comma: --sep ';' or --sep "
        "tab\n";
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--time-limit", "0"}, seconds},
        {{"--time-limit=-1"}, seconds},
        {{"--time-limit", "2s"}, seconds},
        {{"--time-limit", "inf"}, seconds},
        {{"--time-limit", "nan"}, seconds},
        {{"--time-limit", "1e999"}, seconds},
        {{"--time-limit="}, seconds},
        {{"--time-limit"}, seconds},
        {{"--time-limit", "--quiet"}, seconds},  // an option is no value
        {{"--work-limit", "0"}, count},
        {{"--work-limit", "-5"}, count},
        {{"--work-limit", "1.5"}, count},
        {{"--work-limit", "1e6"}, count},
        {{"--work-limit", "99999999999999999999"}, count},
        {{"--work-limit"}, count},
        {{"--report"}, file},
        {{"--report="}, file},
        // A value option given twice, whatever the values and spellings.
        {{"--report=a.html", "--report=b.html"}, "Error: --report may be given only once\n"},
        {{"--time-limit", "5", "p", "--time-limit=5"},
         "Error: --time-limit may be given only once\n"},
        {{"--work-limit=7", "--work-limit", "8"}, "Error: --work-limit may be given only once\n"},
        {{"--output"}, prefix},
        {{"--output="}, prefix},
        {{"--output", "out/"}, prefix},
        {{"--sep"}, separator},
        {{"--sep", ";;"}, separator},
        {{"--sep", "|"}, separator},
        {{"--sep", "Tab"}, separator},
        {{"--sep", ";", "--sep", ";"}, "Error: --sep may be given only once\n"},
        {{"--output=a", "--output=b"}, "Error: --output may be given only once\n"},
        // Whichever comes first, and whether the comma is given or the default.
        {{"--decimal-comma", "p"}, decimalComma},
        {{"--decimal-comma", "--sep", ","}, decimalComma},
        {{"--sep=,", "--decimal-comma"}, decimalComma},
        {{"--bogus", "p"}, "Error: Unknown option --bogus\n" + usage()},
        {{"--quiet=yes"}, "Error: Unknown option --quiet=yes\n" + usage()},
        {{"-x"}, "Error: Unknown option -x\n" + usage()},
    };
    for (const auto& c : cases) {
        SolveOptions options;
        std::ostringstream out;
        EXPECT_FALSE(parseOptions(c.args, options, out)) << c.args[0];
        EXPECT_EQ(out.str(), c.message) << c.args[0];
    }
}

// The weak weights' factor, the ratio bounds and the alterability file: their values, and the
// one line of each value refused.
TEST(Options, CellAndWeightOptions) {
    const struct {
        std::vector<std::string> args;
        std::string settings;  // weak scale, ratio bounds, alterability; or the message
    } cases[] = {
        {{"p"}, "1 none ''"},
        {{"--weak-scale", "1000", "--ratio-bounds", "0.8:1.25", "--alterability", "a.csv"},
         "1000 0.8:1.25 'a.csv'"},
        {{"--weak-scale=2.5e-3", "--ratio-bounds=0:1", "--alterability=x=y.csv"},
         "0.0025 0:1 'x=y.csv'"},
        {{"--ratio-bounds", "1:1e6"}, "1 1:1e+06 ''"},
        {{"--weak-scale", "0"}, "Error: --weak-scale needs a positive number\n"},
        {{"--weak-scale", "-1"}, "Error: --weak-scale needs a positive number\n"},
        {{"--weak-scale", "inf"}, "Error: --weak-scale needs a positive number\n"},
        {{"--weak-scale"}, "Error: --weak-scale needs a positive number\n"},
        {{"--alterability"}, "Error: --alterability needs a file name\n"},
        {{"--alterability=a", "--alterability=a"},
         "Error: --alterability may be given only once\n"},
    };
    for (const auto& c : cases) {
        SolveOptions options;
        std::ostringstream out;
        std::ostringstream settings;
        if (parseOptions(c.args, options, out)) {
            settings << options.weakScale << " ";
            if (options.ratioBounds) {
                settings << options.ratioLower << ":" << options.ratioUpper;
            } else {
                settings << "none";
            }
            settings << " '" << options.alterability << "'";
        }
        EXPECT_EQ(out.str() + settings.str(), c.settings) << c.args[0];
    }
    const std::string ratio =
        "Error: --ratio-bounds needs L:U, two numbers with 0 <= L <= 1 <= U\n";
    for (const char* value : {"", ":", "0.8", "0.8:", ":1.25", "1.1:2", "0.5:0.9", "-0:1x", "-1:2",
                              "0.5:inf", "nan:2", "0.5:nan", "0.8;1.25", "0.8:1.25:2"}) {
        SolveOptions options;
        std::ostringstream out;
        EXPECT_FALSE(parseOptions({std::string("--ratio-bounds=") + value}, options, out)) << value;
        EXPECT_EQ(out.str(), ratio) << value;
    }
}

TEST(Options, DistanceByName) {
    const struct {
        std::vector<std::string> args;
        bool parses;
        Distance distance;
    } cases[] = {
        {{"p"}, true, Distance::CHI_SQUARE},
        {{"--distance", "chi2", "p"}, true, Distance::CHI_SQUARE},
        {{"--distance=raking", "p"}, true, Distance::RAKING},
        {{"--distance", "absolute"}, true, Distance::ABSOLUTE},
        {{"--distance", "Raking"}, false, Distance::CHI_SQUARE},
        {{"--distance", ""}, false, Distance::CHI_SQUARE},
        {{"--distance"}, false, Distance::CHI_SQUARE},
        {{"--distance", "--quiet"}, false, Distance::CHI_SQUARE},
    };
    for (const auto& c : cases) {
        SolveOptions options;
        std::ostringstream out;
        EXPECT_EQ(parseOptions(c.args, options, out), c.parses) << c.args.back();
        if (c.parses) {
            EXPECT_EQ(options.distance, c.distance) << c.args.back();
            EXPECT_EQ(out.str(), "");
        } else {
            EXPECT_EQ(out.str(), "Error: --distance needs chi2, raking or absolute\n");
        }
    }
    SolveOptions options;
    std::ostringstream out;
    EXPECT_FALSE(parseOptions({"--distance=raking", "--distance=raking"}, options, out));
    EXPECT_EQ(out.str(), "Error: --distance may be given only once\n");
}

TEST(Options, UsageNamesEveryOption) {
    const std::string text = usage();
    EXPECT_TRUE(text.starts_with("Usage: qorsolve [options] <project>\n"));
    std::vector<std::string> shown = {
        "--continuous", "--ignore-weak", "--time-limit",   "--work-limit", "--conflicts-only",
        "--all-cells",  "--report",      "--quiet",        "--help",       "--version",
        "--output",     "--sep",         "--decimal-comma"};
    for (const char* option : {"--weak-scale", "--ratio-bounds", "--alterability", "--distance"}) {
        shown.emplace_back(option);
    }
    shown.push_back("default " + std::to_string(DEFAULT_WORK_LIMIT));
    for (const std::string& option : shown) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }
}

}  // namespace
