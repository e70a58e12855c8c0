#include "qorsolve/options.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <string_view>
#include <utility>

#include "qorsolve/core/qorsolve_error.h"

namespace {

// The ranges of the values: each sets `field` from the whole text, false when the text is not
// a value of its range.

// A finite number of seconds > 0.
template <double SolveSettings::*field>
bool positiveSeconds(const std::string& text, SolveSettings& settings) {
    double& seconds = settings.*field;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, seconds);
    return failure == std::errc() && stop == end && std::isfinite(seconds) && seconds > 0;
}

// A whole number > 0.
template <int64_t SolveSettings::*field>
bool positiveWholeNumber(const std::string& text, SolveSettings& settings) {
    int64_t& count = settings.*field;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, count);
    return failure == std::errc() && stop == end && count > 0;
}

// A finite number > 0.
template <double SolveSettings::*field>
bool positiveNumber(const std::string& text, SolveSettings& settings) {
    return positiveSeconds<field>(text, settings);
}

// "L:U", two finite numbers with 0 <= L <= 1 <= U: a range that holds every cell's base.
bool ratioRange(const std::string& text, SolveSettings& settings) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    const char* first = text.data();
    const char* middle = first + colon;
    const char* end = first + text.size();
    double lower = 0.0;
    double upper = 0.0;
    const auto [lowerStop, lowerFailure] = std::from_chars(first, middle, lower);
    const auto [upperStop, upperFailure] = std::from_chars(middle + 1, end, upper);
    if (lowerFailure != std::errc() || lowerStop != middle || upperFailure != std::errc() ||
        upperStop != end || !std::isfinite(upper) || !(lower >= 0.0 && lower <= 1.0) ||
        !(upper >= 1.0)) {
        return false;
    }
    settings.ratioBounds = true;
    settings.ratioLower = lower;
    settings.ratioUpper = upper;
    return true;
}

// Any text but the empty one.
template <std::string SolveSettings::*field>
bool fileName(const std::string& text, SolveSettings& settings) {
    settings.*field = text;
    return !text.empty();
}

// One of the distances' names: chi2, raking, absolute.
bool distanceName(const std::string& text, SolveSettings& settings) {
    for (const DistanceInfo& names : DISTANCES) {
        if (text == names.option) {
            settings.distance = names.distance;
            return true;
        }
    }
    return false;
}

// The prefix of file names: not empty, and not a folder alone ("out/").
template <std::string SolveSettings::*field>
bool namePrefix(const std::string& text, SolveSettings& settings) {
    settings.*field = text;
    return !text.empty() && text.back() != '/';
}

// The separator of the result files' fields: ",", ";", or a tab, given as itself, as "\t"
// or as "tab".
bool fieldSeparator(const std::string& text, SolveSettings& settings) {
    if (text == "," || text == ";" || text == "\t") {
        settings.separator = text[0];
    } else if (text == "\\t" || text == "tab") {
        settings.separator = '\t';
    } else {
        return false;
    }
    return true;
}

// An option that takes a value: its name, the setting it sets in the range of values it takes,
// and the fault of a value outside it. Values are checked here and nowhere else; the defaults
// are those of SolveSettings.
struct ValueOption {
    std::string_view name;
    bool (*set)(const std::string& value, SolveSettings& settings);
    QorsolveFault fault;
};

constexpr ValueOption VALUE_OPTIONS[] = {
    {"--time-limit", positiveSeconds<&SolveSettings::timeLimit>, QorsolveFault::TIME_LIMIT_VALUE},
    {"--work-limit", positiveWholeNumber<&SolveSettings::workLimit>,
     QorsolveFault::WORK_LIMIT_VALUE},
    {"--report", fileName<&SolveSettings::report>, QorsolveFault::REPORT_WITHOUT_NAME},
    {"--distance", distanceName, QorsolveFault::DISTANCE_VALUE},
    {"--output", namePrefix<&SolveSettings::output>, QorsolveFault::OUTPUT_WITHOUT_PREFIX},
    {"--sep", fieldSeparator, QorsolveFault::SEPARATOR_VALUE},
    {"--weak-scale", positiveNumber<&SolveSettings::weakScale>, QorsolveFault::WEAK_SCALE_VALUE},
    {"--ratio-bounds", ratioRange, QorsolveFault::RATIO_BOUNDS_VALUE},
    {"--alterability", fileName<&SolveSettings::alterability>, QorsolveFault::ALTERABILITY_VALUE},
};
constexpr std::size_t VALUE_OPTION_COUNT = std::size(VALUE_OPTIONS);

// The option that takes a value which `arg` names, as "--name" or "--name=VALUE";
// VALUE_OPTION_COUNT for none.
std::size_t valueOption(const std::string& arg) {
    for (std::size_t k = 0; k < VALUE_OPTION_COUNT; ++k) {
        const std::string_view name = VALUE_OPTIONS[k].name;
        if (arg.starts_with(name) && (arg.size() == name.size() || arg[name.size()] == '=')) {
            return k;
        }
    }
    return VALUE_OPTION_COUNT;
}

// The value of "--name VALUE" or "--name=VALUE"; empty when missing.
std::string optionValue(const std::vector<std::string>& args, std::size_t& i) {
    const std::string& arg = args[i];
    if (arg.find('=') != std::string::npos) return arg.substr(arg.find('=') + 1);
    return i + 1 < args.size() ? args[++i] : std::string();
}

}  // namespace

void printUsage(std::ostream& out) {
    out << "Usage: qorsolve [options] <project>\n"
        << "  Adjusts the table of <project>-bin.dat, <project>-lbl.dat and <project>-ctr.dat and\n"
        << "  writes <project>-adj.csv (the adjusted cells) and <project>-rows.csv (the\n"
        << "  restrictions).\n"
        << "  --continuous          real-valued cells instead of whole numbers\n"
        << "  --ignore-weak         leave the weak restrictions out of the objective\n"
        << "  --time-limit SECONDS  stop with the best table found by then\n"
        << "  --work-limit UNITS    stop the whole-number search after this much work\n"
        << "                        (simplex iterations and nodes; default " << DEFAULT_WORK_LIMIT
        << ")\n"
        << "  --conflicts-only      only check that the restrictions can hold, and name the\n"
        << "                        ones that conflict\n"
        << "  --all-cells           the adjusted table with the cells of base 0 too\n"
        << "  --report FILE.html    also write a visual report of the adjustment (or of the\n"
        << "                        conflict) as one self-contained HTML page\n"
        << "  --output PREFIX       write PREFIX-adj.csv, PREFIX-rows.csv or\n"
        << "                        PREFIX-conflict.csv instead of the project's result files\n"
        << "  --sep ';'|tab         separate the result files' fields by ';' or a tab\n"
        << "  --decimal-comma       write their numbers with a decimal comma (with --sep)\n"
        << "  --weak-scale S        multiply every weak weight by S (they are normalised to\n"
        << "                        an average of 1; default 1)\n"
        << "  --ratio-bounds L:U    keep every cell between L and U times its base\n"
        << "  --alterability FILE   how freely each cell may move, 0 to fix it (default\n"
        << "                        <project>-alt.csv where it exists)\n"
        << "  --distance chi2|raking|absolute\n"
        << "                        the cells' cost: (x - b)^2 / b (default), raking's\n"
        << "                        x ln(x / b) - x + b, or |x - b|\n"
        << "  --quiet               no progress on standard error\n"
        << "  --help, --version\n";
}

bool parseOptions(const std::vector<std::string>& args, SolveOptions& options, std::ostream& out) {
    bool optionsEnded = false;
    bool given[VALUE_OPTION_COUNT] = {};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.projects.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--continuous") {
            options.continuous = true;
        } else if (arg == "--ignore-weak") {
            options.ignoreWeak = true;
        } else if (arg == "--conflicts-only") {
            options.conflictsOnly = true;
        } else if (arg == "--all-cells") {
            options.allCells = true;
        } else if (arg == "--quiet" || arg == "-q") {
            options.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--decimal-comma") {
            options.decimalComma = true;
        } else if (const std::size_t k = valueOption(arg); k < VALUE_OPTION_COUNT) {
            // A second value would silently replace the first: which one was meant is not
            // known.
            const ValueOption& option = VALUE_OPTIONS[k];
            if (given[k]) {
                out << errorMessage({QorsolveFault::REPEATED_OPTION, std::string(option.name)});
                return false;
            }
            given[k] = true;
            if (!option.set(optionValue(args, i), options)) {
                out << errorMessage({option.fault});
                return false;
            }
        } else {
            out << errorMessage({QorsolveFault::UNKNOWN_OPTION, arg});
            printUsage(out);
            return false;
        }
    }
    // A decimal comma between comma-separated fields would split every number.
    if (options.decimalComma && options.separator == ',') {
        out << errorMessage({QorsolveFault::DECIMAL_COMMA_WITH_COMMA});
        return false;
    }
    return true;
}
