#include "qorimport/import_options.h"

#include <charconv>
#include <cmath>

namespace {

// A finite number of at least 0 (above 0 with `positive`), the whole text.
bool parseAmount(std::string_view text, bool positive, double& value) {
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return !text.empty() && failure == std::errc() && stop == end && std::isfinite(value) &&
           (positive ? value > 0 : value >= 0);
}

// FILE or FILE:W; a text after the last colon that is no number belongs to the name.
MarginSource marginSource(const std::string& text, bool& badWeight) {
    MarginSource source;
    source.path = text;
    badWeight = false;
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return source;
    const std::string weight = text.substr(colon + 1);
    double value = 0.0;
    const char* end = weight.data() + weight.size();
    const auto [stop, failure] = std::from_chars(weight.data(), end, value);
    if (weight.empty() || failure == std::errc::invalid_argument || stop != end) return source;
    source.path = text.substr(0, colon);
    source.weak = true;
    source.weight = value;
    badWeight = failure != std::errc() || !std::isfinite(value) || value <= 0;
    return source;
}

// The separator an argument names.
bool parseSeparator(const std::string& text, char& separator) {
    if (text == "tab" || text == "\t" || text == "\\t") {
        separator = '\t';
        return true;
    }
    if (text.size() != 1 || text[0] == '"' || text[0] == '\n' || text[0] == '\r' ||
        text[0] == ' ') {
        return false;
    }
    separator = text[0];
    return true;
}

// The value of "--name VALUE" or "--name=VALUE"; false when it is missing.
bool optionValue(const std::vector<std::string>& args, std::size_t& i, std::string& value) {
    const std::string& arg = args[i];
    if (const std::size_t equals = arg.find('='); equals != std::string::npos) {
        value = arg.substr(equals + 1);
        return true;
    }
    if (i + 1 >= args.size()) return false;
    value = args[++i];
    return true;
}

bool isOption(const std::string& arg, std::string_view name) {
    return arg == name ||
           (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=');
}

}  // namespace

void printImportUsage(std::ostream& out) {
    out << "Usage: qorimport [options] BASE.csv PROJECT\n"
        << "  Makes a project of a spreadsheet's base table and files of published margins:\n"
        << "  writes PROJECT-table.txt (the table description), PROJECT-base.csv (its base\n"
        << "  values), PROJECT-names.csv (the labels as written) and the project files, so\n"
        << "  that qorsolve PROJECT adjusts the table.\n"
        << "  --margins FILE[:W]    a file of published margins (may be repeated); with :W\n"
        << "                        its margins are weak, of weight W\n"
        << "  --weak                every margin a weak restriction instead of a hard one\n"
        << "  --tolerance P% | A    hard margins hold within P percent or A units\n"
        << "  --total LABEL         LABEL in a margin file means all characteristics, as a\n"
        << "                        blank field does (may be repeated)\n"
        << "  --value NAME          the base file's value column (default: the last one)\n"
        << "  --margin-value NAME   the margin files' value column (default: the last one)\n"
        << "  --sep C               the separator ';', ',' or 'tab' (default: found in each\n"
        << "                        file's header line)\n"
        << "  --decimal-comma       numbers written as 347,5 and 1.234,5\n"
        << "  --help, --version\n";
}

bool parseImportOptions(const std::vector<std::string>& args, ImportOptions& options,
                        std::string& error, bool& usage) {
    usage = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    bool weak = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        const auto takeValue = [&](std::string_view name) {
            if (optionValue(args, i, value)) return true;
            error = std::string(name) + " needs a value";
            return false;
        };
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--weak") {
            weak = true;
        } else if (arg == "--decimal-comma") {
            options.decimalComma = true;
        } else if (isOption(arg, "--margins")) {
            if (!takeValue("--margins")) return false;
            bool badWeight = false;
            options.margins.push_back(marginSource(value, badWeight));
            if (badWeight || options.margins.back().path.empty()) {
                error = "--margins " + value + ": the weight after ':' must be a number above 0";
                return false;
            }
        } else if (isOption(arg, "--tolerance")) {
            if (!takeValue("--tolerance")) return false;
            const bool percent = value.ends_with('%');
            const std::string_view amount =
                std::string_view(value).substr(0, value.size() - (percent ? 1 : 0));
            if (!parseAmount(amount, false, options.toleranceValue)) {
                error = "--tolerance " + value + ": give a percentage such as 1% or an amount";
                return false;
            }
            options.tolerance = percent ? ToleranceKind::PERCENT : ToleranceKind::ABSOLUTE;
        } else if (isOption(arg, "--total")) {
            if (!takeValue("--total")) return false;
            options.totalLabels.push_back(value);
        } else if (isOption(arg, "--value")) {
            if (!takeValue("--value")) return false;
            options.valueColumn = value;
        } else if (isOption(arg, "--margin-value")) {
            if (!takeValue("--margin-value")) return false;
            options.marginValueColumn = value;
        } else if (isOption(arg, "--sep")) {
            if (!takeValue("--sep")) return false;
            if (!parseSeparator(value, options.separator)) {
                error = "--sep " + value + ": give one character, such as ';' or ',', or 'tab'";
                return false;
            }
        } else {
            error = "Unknown option " + arg;
            usage = true;
            return false;
        }
    }
    if (weak) {
        for (MarginSource& source : options.margins) source.weak = true;
    }
    if (options.help || options.version) return true;
    if (files.size() != 2) {
        usage = true;
        error = files.size() < 2 ? "a base file and a project are needed"
                                 : "one base file and one project are needed; margin files "
                                   "come with --margins";
        return false;
    }
    options.basePath = files[0];
    options.project = files[1];
    return true;
}
