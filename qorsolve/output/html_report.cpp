#include "qorsolve/output/html_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "common/utf8_text.h"
#include "qorsolve/output/status_words.h"

namespace {

// Texts are cut to these many characters: axis labels, names in the heat maps' tooltips,
// names inside other texts, restriction texts and conflict lines. They bound the page
// whatever the names' lengths.
constexpr std::size_t LABEL_CHARS = 18;
constexpr std::size_t TIP_CHARS = 24;
constexpr std::size_t NAME_CHARS = 60;
constexpr std::size_t TEXT_CHARS = 240;
constexpr std::size_t MAX_CONFLICT_LINES = 100;
// A record of inputs may list thousands of base files.
constexpr std::size_t MAX_FILES_SHOWN = 20;
constexpr std::size_t HISTOGRAM_BINS = 40;
constexpr double LEGEND_WIDTH = 198;
// The printed page's width in CSS pixels (A4 less the margins of the page's @page rule, 188 mm
// of 96 pixels an inch, a little less for rounding), the gap between maps there, and the
// least a map is scaled to before fewer go to a line.
constexpr double PRINT_WIDTH = 708;
constexpr double MAP_GAP = 14;
constexpr double MIN_PRINT_SCALE = 0.7;
// Pixels of an 11px character, over the average so that labels of wide letters fit.
constexpr double GLYPH_WIDTH = 7.0;
// A square's sums over up to millions of cells differ by this share of the base sum through
// rounding alone (about 2^-53 per cell added): such a change shows as 0 inside the square.
constexpr double SUM_ROUNDING = 1e-9;
// Pixels of a character of the 10px numbers inside a heat map's squares: digits, signs and
// "%" are narrower than letters.
constexpr double SQUARE_GLYPH = 6.2;

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Ten significant digits: enough to read, short enough for a table cell.
std::string numberText(double value) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "\u221e" : "\u2212\u221e";
    return format("%.10g", value);
}

std::string signedText(double value) {
    if (value > 0) return "+" + numberText(value);
    return numberText(value);
}

// A cell's value in a table of cells, short enough that two such tables stand side by side
// on a printed page: to four decimals, without trailing zeros ("332.3242", "1430"); very
// large and very small values as numberText.
std::string cellNumber(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e15 ||
        (value != 0 && std::fabs(value) < 1e-4)) {
        return numberText(value);
    }
    std::string text = format("%.4f", value);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string signedCellNumber(double value) {
    const std::string text = cellNumber(value);
    return value > 0 && text != "0" ? "+" + text : text;
}

// A limit of a restriction; empty for none.
std::string limitText(double value) {
    return std::isfinite(value) ? numberText(value) : std::string();
}

// A ratio as a signed percentage of `digits` significant digits: "+1.25%", "-0.4%", "+250%".
std::string percentText(double ratio, int digits) {
    const double percent = ratio * 100.0;
    if (percent == 0 || std::isnan(percent)) return "0%";
    if (std::isinf(ratio)) return ratio > 0 ? "+\u221e%" : "\u2212\u221e%";
    if (std::fabs(ratio) >= 1e7) {
        // In powers of ten, also where the percentage itself is beyond the largest double.
        const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(ratio))));
        return format("%+.3g", ratio / std::pow(10.0, exponent)) + "e+" +
               std::to_string(exponent + 2) + "%";
    }
    if (std::fabs(percent) >= 100.0) return format("%+.0f%%", percent);
    char pattern[16];
    std::snprintf(pattern, sizeof pattern, "%%+.%dg%%%%", digits);
    return format(pattern, percent);
}

// A ratio as an unsigned percentage of three significant digits: "0.105%".
std::string unsignedPercent(double ratio) {
    if (!std::isfinite(ratio)) return numberText(ratio);
    return format("%.3g%%", ratio * 100.0);
}

// A change short enough for a heat-map square: whole units from 100 ("+135", "-4012"), `digits`
// significant digits below ("+51.3", "+0.25") and from 10^7 ("+1.23e+07").
std::string shortChange(double value, int digits) {
    if (value == 0 || std::isnan(value)) return "0";
    if (std::isinf(value)) return value > 0 ? "+\u221e" : "\u2212\u221e";
    const double size = std::fabs(value);
    if (size >= 100 && size < 1e7) return format("%+.0f", value);
    char pattern[16];
    std::snprintf(pattern, sizeof pattern, "%%+.%dg", digits);
    return format(pattern, value);
}

// Seconds since 1970-01-01 00:00 UTC as "2024-05-01 12:00:07 UTC", by the proleptic Gregorian
// calendar, for any count of seconds: the days to a date by whole 400-year eras.
std::string dateText(int64_t seconds) {
    constexpr int64_t DAY = 86400;
    int64_t days = seconds / DAY;
    int64_t rest = seconds % DAY;
    if (rest < 0) {
        rest += DAY;
        --days;
    }
    // From 0000-03-01, so that the leap day ends a year.
    const int64_t shifted = days + 719468;
    const int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const int64_t dayOfEra = shifted - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld UTC",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
    return text;
}

// "12" for a whole number of pixels, else "12.5".
std::string pixels(double value) {
    return format(value == std::round(value) ? "%.0f" : "%.1f", value);
}

// The diverging colour scale: blue for less, near white for no change, red for more.
std::string colour(double ratio, double limit) {
    double t = limit > 0 ? ratio / limit : 0.0;
    if (std::isnan(t)) t = 0.0;
    t = std::clamp(t, -1.0, 1.0);
    static constexpr double MIDDLE[3] = {247, 247, 247};
    static constexpr double LESS[3] = {33, 102, 172};
    static constexpr double MORE[3] = {178, 24, 43};
    const double* end = t < 0 ? LESS : MORE;
    const double weight = std::fabs(t);
    char text[8];
    int channel[3];
    for (int c = 0; c < 3; ++c) {
        channel[c] = static_cast<int>(std::lround(MIDDLE[c] + (end[c] - MIDDLE[c]) * weight));
    }
    std::snprintf(text, sizeof text, "#%02x%02x%02x", channel[0], channel[1], channel[2]);
    return text;
}

// Dark text on light cells, white on dark ones.
const char* textColour(double ratio, double limit) {
    return limit > 0 && std::fabs(ratio) / limit > 0.6 ? "#fff" : "#222";
}

// A value that is a round number up to the rounding of log10 and pow is that number.
constexpr double ROUND_NUMBER_SLACK = 1e-12;

// The smallest round number (1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6 or 8 times a power of ten) that
// is at least `value` (> 0).
double niceCeiling(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0}) {
        // Near the largest double the round number overflows: the value itself then.
        const double nice = step * power;
        if (nice >= value * (1 - ROUND_NUMBER_SLACK)) return std::isfinite(nice) ? nice : value;
    }
    return std::isfinite(10.0 * power) ? 10.0 * power : value;
}

// As in the summary: a cell whose written value differs from its base at all has changed.
bool changed(double base, double adjusted) {
    return adjusted != base;
}

// A hard restriction or bound of one value, which every table holds to: never binding news.
bool equality(const ReportRow& row) {
    return !row.weak && row.lower == row.upper;
}

// The cells of the data that fit together: for each, its indices are inside their classes.
class Cells {
  public:
    explicit Cells(const ReportData& data) : data_(data), classes_(data.classSizes.size()) {
        const std::size_t count = data.base.size();
        const bool shaped = data.adjusted.size() == count && data.classNames.size() == classes_ &&
                            (classes_ == 0 ? data.cellAt.empty()
                                           : data.cellAt.size() % classes_ == 0 &&
                                                 data.cellAt.size() / classes_ == count);
        if (!shaped) return;
        valid_.assign(count, true);
        for (std::size_t j = 0; j < count; ++j) {
            for (std::size_t k = 0; k < classes_; ++k) {
                const int32_t at = data.cellAt[j * classes_ + k];
                if (at < 0 || at >= data.classSizes[k]) valid_[j] = false;
            }
        }
    }

    std::size_t count() const { return valid_.size(); }
    bool valid(std::size_t j) const { return valid_[j]; }
    int32_t at(std::size_t j, std::size_t k) const { return data_.cellAt[j * classes_ + k]; }
    double base(std::size_t j) const { return data_.base[j]; }
    double adjusted(std::size_t j) const { return data_.adjusted[j]; }

  private:
    const ReportData& data_;
    std::size_t classes_;
    std::vector<bool> valid_;
};

// The name of characteristic `index` of class `k`, as bytes.
std::string characteristic(const ReportData& data, std::size_t k, int32_t index) {
    if (k < data.characteristics.size()) {
        const std::vector<std::string>& names = data.characteristics[k];
        if (index >= 0 && static_cast<std::size_t>(index) < names.size()) {
            return names[static_cast<std::size_t>(index)];
        }
    }
    return std::to_string(static_cast<int64_t>(index) + 1);
}

std::string cellText(const ReportData& data, const Cells& cells, std::size_t j,
                     std::size_t limit = NAME_CHARS) {
    std::string text = "(";
    for (std::size_t k = 0; k < data.classSizes.size(); ++k) {
        if (k > 0) text += ", ";
        text += cutText(characteristic(data, k, cells.at(j, k)), limit);
    }
    return text + ")";
}

// One axis of a heat map: a class, its characteristics in groups of `group` neighbours so
// that there are at most MAX_AXIS_BINS bins; or, for a table of one class, the one bin "all".
struct Axis {
    int64_t cls = -1;  // -1: the whole table
    int32_t size = 1;
    int32_t group = 1;
    std::size_t bins = 1;

    static Axis of(const ReportData& data, std::size_t k) {
        Axis axis;
        axis.cls = static_cast<int64_t>(k);
        axis.size = std::max(data.classSizes[k], 1);
        const auto size = static_cast<std::size_t>(axis.size);
        axis.group = static_cast<int32_t>((size + MAX_AXIS_BINS - 1) / MAX_AXIS_BINS);
        axis.bins = (size + static_cast<std::size_t>(axis.group) - 1) /
                    static_cast<std::size_t>(axis.group);
        return axis;
    }

    std::size_t bin(const Cells& cells, std::size_t j) const {
        if (cls < 0) return 0;
        return static_cast<std::size_t>(cells.at(j, static_cast<std::size_t>(cls)) / group);
    }

    std::string label(const ReportData& data, std::size_t b, std::size_t limit) const {
        if (cls < 0) return "all";
        const auto k = static_cast<std::size_t>(cls);
        // In 64 bits: the last group of a class of 2^31 - 1 characteristics ends beyond them.
        const auto first = static_cast<int32_t>(static_cast<int64_t>(b) * group);
        const auto last = static_cast<int32_t>(
            std::min(static_cast<int64_t>(first) + group, static_cast<int64_t>(size)) - 1);
        if (first == last) return cutText(characteristic(data, k, first), limit);
        const std::size_t half = limit > 3 ? (limit - 1) / 2 : 1;
        return cutText(characteristic(data, k, first), half) + "\u2013" +
               cutText(characteristic(data, k, last), half);
    }

    std::string title(const ReportData& data) const {
        if (cls < 0) return "";
        const auto k = static_cast<std::size_t>(cls);
        if (k >= data.classNames.size()) return "class" + std::to_string(k + 1);
        return cutText(data.classNames[k], NAME_CHARS);
    }
};

struct HeatMap {
    Axis rows;
    Axis columns;
    std::vector<double> base;  // per bin, rows.bins * columns.bins, row by row
    std::vector<double> adjusted;
};

std::vector<HeatMap> heatMaps(const ReportData& data, const Cells& cells) {
    std::vector<HeatMap> maps;
    const std::size_t classes = std::min(data.classSizes.size(), MAX_MAP_CLASSES);
    if (classes == 1) {
        maps.push_back({Axis(), Axis::of(data, 0), {}, {}});
    }
    for (std::size_t a = 0; a < classes; ++a) {
        for (std::size_t b = a + 1; b < classes; ++b) {
            maps.push_back({Axis::of(data, a), Axis::of(data, b), {}, {}});
        }
    }
    for (HeatMap& map : maps) {
        map.base.assign(map.rows.bins * map.columns.bins, 0.0);
        map.adjusted.assign(map.base.size(), 0.0);
    }
    for (std::size_t j = 0; j < cells.count(); ++j) {
        if (!cells.valid(j)) continue;
        for (HeatMap& map : maps) {
            const std::size_t at =
                map.rows.bin(cells, j) * map.columns.bins + map.columns.bin(cells, j);
            map.base[at] += cells.base(j);
            map.adjusted[at] += cells.adjusted(j);
        }
    }
    return maps;
}

// The relative change of a bin; NaN for a bin without base.
double binRatio(const HeatMap& map, std::size_t at) {
    const double base = map.base[at];
    if (!(base > 0)) return std::nan("");
    return (map.adjusted[at] - base) / base;
}

class Page {
  public:
    explicit Page(const ReportData& data) : data_(data), cells_(data) {}

    std::string render() {
        out_.reserve(64 * 1024);
        out_ += REPORT_FIRST_LINE;
        // No lang attribute: the names come in the user's language, which the page cannot
        // know, and a page declared English would have them read as English.
        out_ +=
            "\n<html><head><meta charset=\"utf-8\">"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
            "<title>Adjustment of ";
        out_ += htmlText(cutText(projectName(), NAME_CHARS));
        out_ += "</title>\n<style>\n";
        out_ += STYLE;
        out_ += "</style></head>\n<body>\n<h1>Adjustment of <span class=\"project\">";
        out_ += htmlText(cutText(projectName(), NAME_CHARS));
        out_ += "</span></h1>\n";
        run();
        summary();
        if (!data_.conflictLines.empty()) conflict();
        if (data_.hasTable) {
            maps();
            largestCells();
            histogram();
            restrictions();
        }
        out_ += "</body></html>\n";
        return std::move(out_);
    }

  private:
    // On screen, and in print on A4: smaller type, each line of maps scaled to the page's
    // width (--print-width, set per map), no figure, table row or restriction split across
    // pages, the restrictions cut to MAX_ROWS_PRINTED.
    static constexpr const char* STYLE =
        "body{font:14px/1.45 system-ui,\"DejaVu Sans\",Arial,sans-serif;color:#222;"
        "background:#fff;margin:0 auto;max-width:1120px;padding:20px 28px}\n"
        "h1{font-size:22px;margin:0 0 12px;font-weight:600}\n"
        "h2{font-size:17px;font-weight:600;margin:28px 0 10px;padding-bottom:4px;"
        "border-bottom:1px solid #ddd}\n"
        "p.note{color:#555;margin:4px 0 10px;max-width:70em}\n"
        "dl.summary{display:grid;grid-template-columns:max-content 1fr;gap:3px 18px;margin:0}\n"
        "dl.summary dt{color:#666}dl.summary dd{margin:0}\n"
        "div.file{overflow-wrap:break-word}span.time{white-space:nowrap;"
        "font-variant-numeric:tabular-nums}\n"
        ".status{font-weight:600;padding:1px 8px;border-radius:3px}\n"
        ".status.good{background:#e3f1e4;color:#1b5e20}.status.warn{background:#fff3d6;"
        "color:#7a5200}.status.bad{background:#fbe3e3;color:#8b1a1a}\n"
        ".maps{display:flex;flex-wrap:wrap;gap:22px 30px;align-items:flex-start}\n"
        "figure{margin:0}figcaption{font-weight:600;margin:0 0 4px}\n"
        "svg{display:block;overflow:visible}svg text{font-size:11px;fill:#333}\n"
        "svg .axis{font-weight:600;fill:#111}svg rect.cell{stroke:#fff;stroke-width:1}\n"
        "svg text.change{font-size:10px}svg text.ratio{font-size:9px}\n"
        "svg rect.empty{fill:#e6e6e6}svg .grid{stroke:#ddd}svg rect.bar{stroke:#555;"
        "stroke-width:.6}svg rect.beyond{fill:#9a9a9a}svg text.count{font-size:9px}\n"
        ".largest{display:flex;flex-wrap:wrap;gap:14px 30px;align-items:flex-start}\n"
        ".largest section{flex:1 1 440px}.largest h3{font-size:14px;font-weight:600;"
        "margin:0 0 4px}\n"
        "table.rows{border-collapse:collapse;font-size:13px;width:100%}\n"
        "table.rows th{text-align:left;font-weight:600;border-bottom:2px solid #ccc;"
        "padding:4px 8px;white-space:nowrap}\n"
        "table.rows td{padding:3px 8px;border-bottom:1px solid #eee;vertical-align:top}\n"
        "table.rows td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}\n"
        "table.restrictions tbody tr:first-child td{border-bottom:0;padding-bottom:0}\n"
        "table.rows td.text{font-family:\"DejaVu Sans Mono\",monospace;font-size:12px;"
        "overflow-wrap:anywhere;color:#333;padding-left:24px}\n"
        "table.rows tbody.binding td{background:#fff8e6}table.rows tbody.binding td.b{"
        "font-weight:600;color:#8a5a00}\n"
        "table.rows td.cell{overflow-wrap:anywhere}\n"
        "span.moved{display:inline-block;height:9px;background:#b2182b;opacity:.75;"
        "vertical-align:middle}\n"
        "pre.conflict{white-space:pre-wrap;overflow-wrap:anywhere;background:#fdf3f3;"
        "border-left:4px solid #b2182b;padding:10px 14px;font-size:13px;margin:0}\n"
        "p.advice{background:#fff8e6;border-left:4px solid #d08c00;padding:8px 14px;"
        "margin:8px 0 0}\n"
        ".print{display:none}\n"
        "@page{size:A4;margin:12mm 11mm}\n"
        "@media print{body{font-size:9pt;line-height:1.3;max-width:none;padding:0}"
        "h1{font-size:15pt;margin:0 0 6px}"
        "h2{font-size:11.5pt;margin:12px 0 5px;break-after:avoid}"
        "h3,p.note{break-after:avoid}p.note{margin:2px 0 5px;max-width:none}"
        "dl.summary{gap:0 14px}"
        "figure,svg,tr,table.restrictions tbody,p.advice{break-inside:avoid}"
        ".maps{gap:8px 14px}.maps figure{width:var(--print-width);max-width:100%}"
        "svg.heatmap{width:100%;height:auto}svg.histogram{max-width:100%;height:auto}"
        "table.rows{font-size:8.5pt;line-height:1.25}table.rows th{padding:2px 5px}"
        "table.rows td{padding:1px 5px}table.rows td.text{font-size:7.5pt;padding-left:18px}"
        "table.cells{font-size:7.5pt}table.cells th,table.cells td{padding:1px 3px}"
        "table.cells td.cell{overflow-wrap:normal}"
        ".largest{gap:6px 16px}.largest section{flex:1 1 45%}"
        ".screen{display:none}.print{display:block}"
        "*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}\n";

    // The project without its folder.
    std::string_view projectName() const {
        const std::string_view name = data_.project;
        const std::size_t slash = name.find_last_of('/');
        return slash == std::string_view::npos || slash + 1 == name.size() ? name
                                                                           : name.substr(slash + 1);
    }

    void item(const char* name, const std::string& htmlValue) {
        out_ += "<dt>";
        out_ += name;
        out_ += "</dt><dd>";
        out_ += htmlValue;
        out_ += "</dd>\n";
    }

    // The files and their modification times, neighbours of the same time on one line.
    std::string files(const std::vector<ReportFile>& list, std::size_t limit) const {
        const auto timeOf = [](const ReportFile& file) {
            return (file.known ? dateText(file.modifiedSeconds) : std::string("time unknown")) +
                   (file.changed ? ", changed since" : "");
        };
        std::string html;
        const std::size_t shown = std::min(list.size(), limit);
        for (std::size_t i = 0; i < shown;) {
            const std::string time = timeOf(list[i]);
            html += "<div class=\"file\">" + htmlText(cutText(list[i].path, TEXT_CHARS));
            for (++i; i < shown && timeOf(list[i]) == time; ++i) {
                html += ", " + htmlText(cutText(list[i].path, TEXT_CHARS));
            }
            html += ": <span class=\"time\">" + time + "</span></div>";
        }
        if (shown < list.size()) {
            html += "<div class=\"file\">\u2026 (+ " + std::to_string(list.size() - shown) +
                    " more files)</div>";
        }
        return html;
    }

    // How the run went about it: mode, distance, objective, limits, files, date and version.
    void run() {
        const ReportRun& run = data_.run;
        out_ += "<dl class=\"summary run\">\n";
        item("project", htmlText(cutText(data_.project, TEXT_CHARS)));
        item("mode", run.wholeNumbers ? "whole numbers" : "real numbers (--continuous)");
        if (!run.distance.empty()) item("distance", htmlText(cutText(run.distance, TEXT_CHARS)));
        if (!run.objective.empty()) {
            item("objective", htmlText(cutText(run.objective, TEXT_CHARS)));
        }
        std::string limits;
        if (run.wholeNumbers) {
            limits = "work " + std::to_string(run.workLimit) + " units";
            if (run.work >= 0) limits += " (" + std::to_string(run.work) + " done)";
            limits += ", ";
        }
        limits += std::isfinite(run.timeLimit) && run.timeLimit > 0
                      ? "time " + numberText(run.timeLimit) + " s"
                      : std::string("no time limit");
        item("limits", limits);
        if (!run.read.empty()) item("files read", files(run.read, MAX_FILES_SHOWN));
        if (!run.madeFrom.empty()) {
            item("made from", files(run.madeFrom, MAX_FILES_SHOWN));
        }
        item("written",
             dateText(run.date) + " by qorsolve " + htmlText(cutText(run.version, NAME_CHARS)));
        out_ += "</dl>\n";
    }

    void summary() {
        out_ += "<h2>Summary</h2>\n<dl class=\"summary\">\n";
        const std::string& status = data_.status;
        // A table or restrictions that can hold; a limit that stopped the search; the rest.
        const bool good = status == statusWord(ModelStatus::OPTIMAL) ||
                          status == statusWord(ModelStatus::FEASIBLE);
        const bool limit = status == limitWord(StopReason::TIME_LIMIT) ||
                           status == limitWord(StopReason::WORK_LIMIT);
        const char* tone = good ? "good" : limit ? "warn" : "bad";
        item("status", std::string("<span class=\"status ") + tone + "\">" +
                           htmlText(cutText(status, NAME_CHARS)) + "</span>");
        if (!data_.hasTable) {
            out_ += "</dl>\n";
            return;
        }
        item("objective", numberText(data_.objective));
        item("gap", data_.proven ? std::string("0 (proven optimum)")
                                 : numberText(data_.gap) + " = " + unsignedPercent(data_.gap) +
                                       " (bound " + numberText(data_.bound) + ")");
        std::size_t count = 0;
        std::size_t changedCount = 0;
        std::size_t largest = 0;
        std::size_t relativeLargest = 0;
        double largestChange = 0.0;
        double largestRatio = 0.0;
        for (std::size_t j = 0; j < cells_.count(); ++j) {
            if (!cells_.valid(j)) continue;
            ++count;
            const double base = cells_.base(j);
            const double change = cells_.adjusted(j) - base;
            if (!changed(base, cells_.adjusted(j))) continue;
            ++changedCount;
            if (std::fabs(change) > std::fabs(largestChange)) {
                largest = j;
                largestChange = change;
            }
            if (base > 0 && std::fabs(change / base) > std::fabs(largestRatio)) {
                relativeLargest = j;
                largestRatio = change / base;
            }
        }
        item("cells",
             std::to_string(count) + " adjustable, " + std::to_string(changedCount) + " changed");
        if (changedCount == 0) {
            item("largest change", "0");
        } else {
            item("largest change", signedText(largestChange) + " at " +
                                       htmlText(cellText(data_, cells_, largest)) + ", " +
                                       numberText(cells_.base(largest)) + " to " +
                                       numberText(cells_.adjusted(largest)));
            if (largestRatio != 0) {
                item("largest relative change",
                     percentText(largestRatio, 3) + " at " +
                         htmlText(cellText(data_, cells_, relativeLargest)) + ", " +
                         numberText(cells_.base(relativeLargest)) + " to " +
                         numberText(cells_.adjusted(relativeLargest)));
            }
        }
        // Equalities always hold: only a binding inequality says where the table is pressed.
        std::size_t equalities = 0;
        std::size_t inequalities = 0;
        std::size_t binding = 0;
        std::size_t weak = 0;
        for (const ReportRow& row : data_.rows) {
            if (row.weak) {
                ++weak;
            } else if (equality(row)) {
                ++equalities;
            } else {
                ++inequalities;
                if (row.binding) ++binding;
            }
        }
        const auto counted = [](std::size_t count, const char* one, const char* many) {
            return std::to_string(count) + " " + (count == 1 ? one : many);
        };
        item("restrictions", std::to_string(equalities + inequalities) +
                                 " hard: " + counted(equalities, "equality", "equalities") + ", " +
                                 counted(inequalities, "inequality", "inequalities") + " (" +
                                 std::to_string(binding) + " binding); " + std::to_string(weak) +
                                 " weak");
        out_ += "</dl>\n";
    }

    void conflict() {
        out_ +=
            "<h2>Conflict</h2>\n<p class=\"note\">No table meets every restriction and bound. "
            "These cannot all hold together; the advice names the one to check first.</p>\n"
            "<pre class=\"conflict\">";
        // The advice follows the lines it speaks of, set apart.
        std::string advice;
        const std::size_t shown = std::min(data_.conflictLines.size(), MAX_CONFLICT_LINES);
        for (std::size_t i = 0; i < shown; ++i) {
            const std::string line = cutText(data_.conflictLines[i], TEXT_CHARS);
            if (line.starts_with("advice: ")) {
                advice +=
                    "<p class=\"advice\"><b>advice:</b> " + htmlText(line.substr(8)) + "</p>\n";
                continue;
            }
            out_ += htmlText(line);
            out_ += "\n";
        }
        if (shown < data_.conflictLines.size()) {
            out_ += "\u2026 (+ " + std::to_string(data_.conflictLines.size() - shown) +
                    " more lines)\n";
        }
        out_ += "</pre>\n" + advice;
    }

    void maps() {
        const std::vector<HeatMap> all = heatMaps(data_, cells_);
        if (all.empty()) return;
        double limit = 0.0;
        for (const HeatMap& map : all) {
            for (std::size_t at = 0; at < map.base.size(); ++at) {
                const double ratio = binRatio(map, at);
                if (!std::isnan(ratio)) limit = std::max(limit, std::fabs(ratio));
            }
        }
        out_ += "<h2>Where the table moved</h2>\n<p class=\"note\">";
        if (all.size() == 1 && all[0].rows.cls < 0) {
            out_ += "Each characteristic's cells summed: ";
        } else {
            out_ += "For each pair of classes, the cells summed over the other classes: ";
        }
        out_ +=
            "each square shows the change, adjusted \u2212 base, and below it the relative "
            "change, (adjusted \u2212 base) / base, where they fit; its colour is the relative "
            "change. Red squares grew, blue ones shrank; grey ones have no adjustable cell.";
        if (data_.classSizes.size() > MAX_MAP_CLASSES) {
            out_ += " Pairs of the first " + std::to_string(MAX_MAP_CLASSES) +
                    " classes are shown; the others are summed over.";
        }
        bool grouped = false;
        for (const HeatMap& map : all)
            grouped = grouped || map.rows.group > 1 || map.columns.group > 1;
        if (grouped) {
            out_ += " Classes of more than " + std::to_string(MAX_AXIS_BINS) +
                    " characteristics are shown in groups of neighbours.";
        }
        out_ += "</p>\n";
        // Each map drawn apart first, for its width: in print the maps go three to a line where
        // that keeps them at MIN_PRINT_SCALE of their size or more, else two, each line's maps
        // scaled alike to fit the page.
        std::vector<std::string> drawn(all.size());
        std::vector<double> widths(all.size());
        for (std::size_t m = 0; m < all.size(); ++m) {
            std::swap(out_, drawn[m]);
            widths[m] = heatMap(all[m], limit);
            std::swap(out_, drawn[m]);
        }
        const auto lineScale = [&](std::size_t first, std::size_t count) {
            double total = 0.0;
            const std::size_t end = std::min(first + count, all.size());
            for (std::size_t m = first; m < end; ++m) total += widths[m];
            const double room = PRINT_WIDTH - MAP_GAP * static_cast<double>(end - first - 1);
            return std::min(1.0, room / total);
        };
        std::size_t perLine = 3;
        for (std::size_t first = 0; first < all.size(); first += 3) {
            if (lineScale(first, 3) < MIN_PRINT_SCALE) perLine = 2;
        }
        out_ += "<div class=\"maps\">\n";
        for (std::size_t m = 0; m < all.size(); ++m) {
            const double scale = lineScale(m - m % perLine, perLine);
            out_ += "<figure style=\"--print-width:" + pixels(std::floor(widths[m] * scale)) +
                    "px\">" + drawn[m];
        }
        out_ += "</div>\n";
    }

    // Draws the map, its caption and its drawing, for the caller's figure to hold; returns its
    // width in pixels.
    double heatMap(const HeatMap& map, double limit) {
        const std::size_t rows = map.rows.bins;
        const std::size_t columns = map.columns.bins;
        std::vector<std::string> rowLabels(rows);
        std::vector<std::string> columnLabels(columns);
        std::size_t rowChars = 0;
        std::size_t columnChars = 0;
        for (std::size_t r = 0; r < rows; ++r) {
            rowLabels[r] = map.rows.label(data_, r, LABEL_CHARS);
            rowChars = std::max(rowChars, charCount(rowLabels[r]));
        }
        for (std::size_t c = 0; c < columns; ++c) {
            columnLabels[c] = map.columns.label(data_, c, LABEL_CHARS);
            columnChars = std::max(columnChars, charCount(columnLabels[c]));
        }
        const double cellWidth =
            std::clamp(std::floor(400.0 / static_cast<double>(columns)), 16.0, 64.0);
        const double cellHeight =
            std::clamp(std::floor(340.0 / static_cast<double>(rows)), 14.0, 34.0);
        // The change of each square, and below it the relative change, where every square of
        // this map has room for them (the change in three significant digits, or in fewer where
        // that fits); else the change alone, or neither.
        const auto room = static_cast<std::size_t>(std::max(0.0, (cellWidth - 6) / SQUARE_GLYPH));
        std::vector<std::string> changeTexts(map.base.size());
        std::vector<std::string> ratioTexts(map.base.size());
        bool changeFits = cellHeight >= 16;
        bool ratioFits = changeFits && cellHeight >= 28;
        for (std::size_t at = 0; at < map.base.size() && changeFits; ++at) {
            const double ratio = binRatio(map, at);
            if (std::isnan(ratio)) continue;
            const bool rounding = std::fabs(map.adjusted[at] - map.base[at]) <=
                                  SUM_ROUNDING * std::fabs(map.base[at]);
            const double change = rounding ? 0.0 : map.adjusted[at] - map.base[at];
            for (int digits = 3; digits > 0; --digits) {
                changeTexts[at] = shortChange(change, digits);
                if (charCount(changeTexts[at]) <= room) break;
            }
            changeFits = charCount(changeTexts[at]) <= room;
            ratioTexts[at] = percentText(rounding ? 0.0 : ratio, 2);
            ratioFits = ratioFits && charCount(ratioTexts[at]) <= room;
        }
        ratioFits = ratioFits && changeFits;
        const double columnLabelWidth = GLYPH_WIDTH * static_cast<double>(columnChars);
        const bool slanted = columnLabelWidth + 6 > cellWidth;
        const double labelBand = slanted ? columnLabelWidth * 0.72 + 12 : 18;
        const double rowTitle = map.rows.cls < 0 ? 0 : 20;
        // Whole pixels, so that the cells' coordinates are short.
        const double left = std::round(rowTitle + GLYPH_WIDTH * static_cast<double>(rowChars) + 12);
        const double top = std::round(22 + labelBand);
        const double gridWidth = cellWidth * static_cast<double>(columns);
        const double gridHeight = cellHeight * static_cast<double>(rows);
        const double legendTop = top + gridHeight + 16;
        const double width = left + std::max(gridWidth, LEGEND_WIDTH) + (slanted ? labelBand : 12);
        const double height = legendTop + 46;

        const std::string rowTitleText = map.rows.title(data_);
        const std::string columnTitleText = map.columns.title(data_);
        out_ += "<figcaption>";
        out_ += htmlText(rowTitleText.empty() ? columnTitleText
                                              : rowTitleText + " \u00d7 " + columnTitleText);
        out_ +=
            "</figcaption>\n<svg class=\"heatmap\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
            pixels(width) + "\" height=\"" + pixels(height) + "\" viewBox=\"0 0 " + pixels(width) +
            " " + pixels(height) + "\">\n";
        // Axis titles: the column class above its labels, the row class along the left side.
        out_ += "<text class=\"axis\" x=\"" + pixels(left + gridWidth / 2) +
                "\" y=\"12\" text-anchor=\"middle\">" + htmlText(columnTitleText) + "</text>\n";
        if (map.rows.cls >= 0) {
            const double middle = top + gridHeight / 2;
            out_ += "<text class=\"axis\" x=\"12\" y=\"" + pixels(middle) +
                    "\" text-anchor=\"middle\" transform=\"rotate(-90 12 " + pixels(middle) +
                    ")\">" + htmlText(rowTitleText) + "</text>\n";
        }
        for (std::size_t c = 0; c < columns; ++c) {
            const double x = left + cellWidth * (static_cast<double>(c) + 0.5);
            const double y = top - 6;
            out_ += "<text x=\"" + pixels(x) + "\" y=\"" + pixels(y) + "\"";
            if (slanted) {
                out_ += " transform=\"rotate(-45 " + pixels(x) + " " + pixels(y) + ")\"";
            } else {
                out_ += " text-anchor=\"middle\"";
            }
            out_ += ">" + htmlText(columnLabels[c]) + "</text>\n";
        }
        for (std::size_t r = 0; r < rows; ++r) {
            out_ += "<text x=\"" + pixels(left - 6) + "\" y=\"" +
                    pixels(top + cellHeight * (static_cast<double>(r) + 0.5) + 4) +
                    "\" text-anchor=\"end\">" + htmlText(rowLabels[r]) + "</text>\n";
        }
        for (std::size_t r = 0; r < rows; ++r) {
            const std::string rowName = map.rows.label(data_, r, TIP_CHARS);
            for (std::size_t c = 0; c < columns; ++c) {
                const std::size_t at = r * columns + c;
                const double ratio = binRatio(map, at);
                const double x = left + cellWidth * static_cast<double>(c);
                const double y = top + cellHeight * static_cast<double>(r);
                out_ += "<rect class=\"cell";
                if (std::isnan(ratio)) out_ += " empty";
                out_ += "\" x=\"" + pixels(x) + "\" y=\"" + pixels(y) + "\" width=\"" +
                        pixels(cellWidth) + "\" height=\"" + pixels(cellHeight) + "\"";
                if (!std::isnan(ratio)) out_ += " fill=\"" + colour(ratio, limit) + "\"";
                out_ += "><title>";
                std::string tip = map.rows.cls < 0 ? "" : rowName + ", ";
                tip += map.columns.label(data_, c, TIP_CHARS) + ": ";
                tip += std::isnan(ratio)
                           ? std::string("no adjustable cell")
                           : signedText(map.adjusted[at] - map.base[at]) + " (" +
                                 percentText(ratio, 3) + "), " + numberText(map.base[at]) + " to " +
                                 numberText(map.adjusted[at]);
                out_ += htmlText(tip) + "</title></rect>\n";
                if (changeFits && !std::isnan(ratio)) {
                    const double middle = y + cellHeight / 2;
                    out_ += "<text class=\"change\" x=\"" + pixels(x + cellWidth / 2) + "\" y=\"" +
                            pixels(ratioFits ? middle - 1 : middle + 4) +
                            "\" text-anchor=\"middle\" style=\"fill:" + textColour(ratio, limit) +
                            "\">" + changeTexts[at] + "</text>\n";
                    if (ratioFits) {
                        out_ +=
                            "<text class=\"ratio\" x=\"" + pixels(x + cellWidth / 2) + "\" y=\"" +
                            pixels(middle + 10) +
                            "\" text-anchor=\"middle\" style=\"fill:" + textColour(ratio, limit) +
                            "\">" + ratioTexts[at] + "</text>\n";
                    }
                }
            }
        }
        legend(left, legendTop, limit);
        out_ += "</svg></figure>\n";
        return width;
    }

    // Eleven swatches from the largest decrease to the largest increase.
    // Under its caption, eleven swatches from the largest decrease to the largest increase,
    // LEGEND_WIDTH wide, and their scale.
    void legend(double left, double top, double limit) {
        constexpr int SWATCHES = 11;
        constexpr double SWATCH = LEGEND_WIDTH / SWATCHES;
        if (!(limit > 0)) {
            out_ += "<text x=\"" + pixels(left) + "\" y=\"" + pixels(top + 9) +
                    "\">no relative change</text>\n";
            return;
        }
        out_ += "<text x=\"" + pixels(left) + "\" y=\"" + pixels(top + 9) +
                "\">relative change</text>\n";
        for (int s = 0; s < SWATCHES; ++s) {
            const double ratio = limit * (2.0 * s / (SWATCHES - 1) - 1.0);
            out_ += "<rect class=\"swatch\" x=\"" + pixels(left + SWATCH * s) + "\" y=\"" +
                    pixels(top + 14) + "\" width=\"" + pixels(SWATCH) + "\" height=\"10\" fill=\"" +
                    colour(ratio, limit) + "\"/>";
        }
        const double y = top + 38;
        out_ += "\n<text x=\"" + pixels(left) + "\" y=\"" + pixels(y) + "\">" +
                percentText(-limit, 2) + "</text><text x=\"" + pixels(left + LEGEND_WIDTH / 2) +
                "\" y=\"" + pixels(y) + "\" text-anchor=\"middle\">0</text><text x=\"" +
                pixels(left + LEGEND_WIDTH) + "\" y=\"" + pixels(y) + "\" text-anchor=\"end\">" +
                percentText(limit, 2) + "</text>\n";
    }

    // The MAX_CELLS_LISTED of `candidates` of the largest `key`, larger first and, among
    // equal ones, in the table's order.
    template <typename Key>
    static std::vector<std::size_t> largestOf(std::vector<std::size_t> candidates, Key key) {
        const std::size_t listed = std::min(candidates.size(), MAX_CELLS_LISTED);
        std::partial_sort(candidates.begin(),
                          candidates.begin() + static_cast<std::ptrdiff_t>(listed),
                          candidates.end(), [&](std::size_t a, std::size_t b) {
                              const double ka = key(a), kb = key(b);
                              return ka != kb ? ka > kb : a < b;
                          });
        candidates.resize(listed);
        return candidates;
    }

    void cellTable(const char* title, const std::vector<std::size_t>& listed) {
        out_ += "<section><h3>";
        out_ += title;
        out_ +=
            "</h3>\n<table class=\"rows cells\"><thead><tr><th>cell</th><th>base</th>"
            "<th>adjusted</th><th>change</th><th>relative</th></tr></thead>\n<tbody>\n";
        for (const std::size_t j : listed) {
            const double base = cells_.base(j);
            const double adjusted = cells_.adjusted(j);
            out_ += "<tr><td class=\"cell\">" + htmlText(cellText(data_, cells_, j, TIP_CHARS)) +
                    "</td><td class=\"n\">" + cellNumber(base) + "</td><td class=\"n\">" +
                    cellNumber(adjusted) + "</td><td class=\"n\">" +
                    signedCellNumber(adjusted - base) + "</td><td class=\"n\">" +
                    (base > 0 ? percentText((adjusted - base) / base, 3) : std::string()) +
                    "</td></tr>\n";
        }
        out_ += "</tbody></table></section>\n";
    }

    // The cells of the largest change and those of the largest relative change.
    void largestCells() {
        std::vector<std::size_t> moved;
        std::vector<std::size_t> withBase;
        for (std::size_t j = 0; j < cells_.count(); ++j) {
            if (!cells_.valid(j) || !changed(cells_.base(j), cells_.adjusted(j))) continue;
            moved.push_back(j);
            if (cells_.base(j) > 0) withBase.push_back(j);
        }
        out_ += "<h2>Cells that moved most</h2>\n";
        if (moved.empty()) {
            out_ += "<p class=\"note\">No cell changed.</p>\n";
            return;
        }
        const auto size = [&](std::size_t j) {
            const double change = std::fabs(cells_.adjusted(j) - cells_.base(j));
            return std::isnan(change) ? 0.0 : change;
        };
        const auto relative = [&](std::size_t j) {
            const double ratio = std::fabs((cells_.adjusted(j) - cells_.base(j)) / cells_.base(j));
            return std::isnan(ratio) ? 0.0 : ratio;
        };
        out_ += "<p class=\"note\">The " + std::to_string(MAX_CELLS_LISTED) +
                " changed cells of the largest change, adjusted \u2212 base, and the " +
                std::to_string(MAX_CELLS_LISTED) +
                " of the largest relative change, (adjusted \u2212 base) / base; the adjusted "
                "table has all.</p>\n<div class=\"largest\">\n";
        cellTable("Largest changes", largestOf(std::move(moved), size));
        cellTable("Largest relative changes", largestOf(std::move(withBase), relative));
        out_ += "</div>\n";
    }

    // A histogram bar's colour: the maps' scale, never lighter than a share of its ends, so
    // that bars near 0 stand out from the page.
    static std::string barColour(double ratio, double limit) {
        constexpr double LIGHTEST = 0.3;
        const double weight = std::max(std::fabs(ratio) / limit, LIGHTEST);
        return colour(std::copysign(weight * limit, ratio), limit);
    }

    void histogram() {
        std::vector<double> ratios;
        std::size_t unchanged = 0;
        std::size_t withoutBase = 0;
        for (std::size_t j = 0; j < cells_.count(); ++j) {
            if (!cells_.valid(j)) continue;
            const double base = cells_.base(j);
            if (!(base > 0)) {
                ++withoutBase;
            } else if (!changed(base, cells_.adjusted(j))) {
                ++unchanged;
            } else {
                const double ratio = (cells_.adjusted(j) - base) / base;
                if (std::isfinite(ratio)) ratios.push_back(ratio);
            }
        }
        out_ += "<h2>Relative changes of the cells</h2>\n<p class=\"note\">";
        out_ += std::to_string(ratios.size()) + " cells changed, " + std::to_string(unchanged) +
                " unchanged (not drawn)";
        if (withoutBase > 0) out_ += ", " + std::to_string(withoutBase) + " without base";
        out_ += ".";
        double largest = 0.0;
        for (const double ratio : ratios) largest = std::max(largest, std::fabs(ratio));
        if (!(largest > 0)) {
            out_ += "</p>\n";
            return;
        }
        // The scale spans the largest change, unless the few beyond CLIP_SHARE of the cells
        // lie farther out than CLIP_FACTOR times the rest: it then spans the rest, and the few
        // are counted in bars at its edges.
        constexpr double CLIP_SHARE = 0.98;
        constexpr double CLIP_FACTOR = 2.0;
        std::vector<double> sizes(ratios.size());
        std::transform(ratios.begin(), ratios.end(), sizes.begin(),
                       [](double ratio) { return std::fabs(ratio); });
        const auto rank = static_cast<std::ptrdiff_t>(
            std::floor(CLIP_SHARE * static_cast<double>(sizes.size() - 1)));
        std::nth_element(sizes.begin(), sizes.begin() + rank, sizes.end());
        const double bulk = sizes[static_cast<std::size_t>(rank)];
        const bool clipped = bulk > 0 && largest > CLIP_FACTOR * bulk;
        const double limit = niceCeiling(clipped ? bulk : largest);
        std::vector<std::size_t> counts(HISTOGRAM_BINS, 0);
        std::size_t below = 0;
        std::size_t above = 0;
        // A ratio the limit rounds off is on the scale, not beyond it.
        const double edge = limit * (1 + ROUND_NUMBER_SLACK);
        for (const double ratio : ratios) {
            if (clipped && ratio < -edge) {
                ++below;
                continue;
            }
            if (clipped && ratio > edge) {
                ++above;
                continue;
            }
            // In shares of the limit, which no ratio here exceeds by more than rounding: no sum
            // or product overflows.
            const double place = (ratio / limit + 1) / 2 * HISTOGRAM_BINS;
            const auto bin = static_cast<std::size_t>(
                std::clamp(std::floor(place), 0.0, static_cast<double>(HISTOGRAM_BINS - 1)));
            ++counts[bin];
        }
        if (clipped) {
            out_ += " The scale ends at \u00b1" + unsignedPercent(limit) + ": " +
                    std::to_string(below + above) +
                    " cells beyond it are counted in the grey bars at its edges.";
        }
        out_ += " Each bar is labelled with its count of cells.</p>\n";
        // The count axis in whole steps: 0, step, 2 step, ... up to the top.
        std::size_t most = std::max(below, above);
        for (const std::size_t count : counts) most = std::max(most, count);
        const auto step = static_cast<std::size_t>(
            std::max(1.0, std::ceil(niceCeiling(static_cast<double>(most) / 4))));
        const std::size_t top = (most + step - 1) / step * step;
        constexpr double BAR = 15;
        constexpr double EDGE_GAP = 8;
        constexpr double PLOT_HEIGHT = 160;
        constexpr double LEFT = 56;
        // A bar of one cell among thousands is still drawn this high.
        constexpr double LOWEST_BAR = 3;
        // Counts wider than a bar stand upright above it.
        constexpr double COUNT_GLYPH = 5.4;
        const double countWidth = COUNT_GLYPH * static_cast<double>(std::to_string(most).size());
        const bool upright = countWidth + 2 > BAR;
        const double TOP = upright ? countWidth + 10 : 16;
        const double plotLeft = LEFT + (clipped ? BAR + EDGE_GAP : 0);
        const double plotWidth = BAR * HISTOGRAM_BINS;
        const double width = plotLeft + plotWidth + (clipped ? EDGE_GAP + BAR : 0) + 20;
        const double height = TOP + PLOT_HEIGHT + 44;
        out_ += "<svg class=\"histogram\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                pixels(width) + "\" height=\"" + pixels(height) + "\" viewBox=\"0 0 " +
                pixels(width) + " " + pixels(height) + "\">\n";
        const double right = plotLeft + plotWidth + (clipped ? EDGE_GAP + BAR : 0);
        for (std::size_t count = 0; count <= top; count += step) {
            const double y =
                TOP + PLOT_HEIGHT * (1 - static_cast<double>(count) / static_cast<double>(top));
            out_ += "<line class=\"grid\" x1=\"" + pixels(LEFT) + "\" x2=\"" + pixels(right) +
                    "\" y1=\"" + pixels(y) + "\" y2=\"" + pixels(y) + "\"/><text x=\"" +
                    pixels(LEFT - 6) + "\" y=\"" + pixels(y + 4) + "\" text-anchor=\"end\">" +
                    std::to_string(count) + "</text>\n";
        }
        // One bar: its rectangle with its tooltip, and its count above it.
        const auto bar = [&](double x, std::size_t count, const std::string& fill,
                             const std::string& tip, const char* cls) {
            const double barHeight = std::max(
                LOWEST_BAR, PLOT_HEIGHT * static_cast<double>(count) / static_cast<double>(top));
            const double y = TOP + PLOT_HEIGHT - barHeight;
            out_ += "<rect class=\"" + std::string(cls) + "\" x=\"" + pixels(x) + "\" y=\"" +
                    pixels(y) + "\" width=\"" + pixels(BAR) + "\" height=\"" + pixels(barHeight) +
                    "\"";
            if (!fill.empty()) out_ += " fill=\"" + fill + "\"";
            out_ += "><title>" + tip + ": " + std::to_string(count) + " cells</title></rect>";
            const double middle = x + BAR / 2;
            if (upright) {
                out_ += "<text class=\"count\" x=\"" + pixels(middle + 3) + "\" y=\"" +
                        pixels(y - 3) + "\" transform=\"rotate(-90 " + pixels(middle + 3) + " " +
                        pixels(y - 3) + ")\">";
            } else {
                out_ += "<text class=\"count\" x=\"" + pixels(middle) + "\" y=\"" + pixels(y - 3) +
                        "\" text-anchor=\"middle\">";
            }
            out_ += std::to_string(count) + "</text>\n";
        };
        for (std::size_t b = 0; b < HISTOGRAM_BINS; ++b) {
            if (counts[b] == 0) continue;
            const double low = limit * (2.0 * static_cast<double>(b) / HISTOGRAM_BINS - 1.0);
            const double high = low + limit / HISTOGRAM_BINS * 2;
            bar(plotLeft + BAR * static_cast<double>(b), counts[b],
                barColour(low / 2 + high / 2, limit),
                percentText(low, 3) + " to " + percentText(high, 3), "bar");
        }
        const double axisY = TOP + PLOT_HEIGHT;
        if (clipped) {
            if (below > 0) bar(LEFT, below, "", "below " + percentText(-limit, 3), "bar beyond");
            if (above > 0) {
                bar(right - BAR, above, "", "above " + percentText(limit, 3), "bar beyond");
            }
            out_ += "<text class=\"count\" x=\"" + pixels(LEFT + BAR / 2) + "\" y=\"" +
                    pixels(axisY + 18) + "\" text-anchor=\"middle\">less</text><text " +
                    "class=\"count\" x=\"" + pixels(right - BAR / 2) + "\" y=\"" +
                    pixels(axisY + 18) + "\" text-anchor=\"middle\">more</text>\n";
        }
        for (int tick = 0; tick <= 4; ++tick) {
            const double x = plotLeft + plotWidth * tick / 4;
            const double ratio = limit * (tick / 2.0 - 1.0);
            out_ += "<line class=\"grid\" x1=\"" + pixels(x) + "\" x2=\"" + pixels(x) + "\" y1=\"" +
                    pixels(axisY) + "\" y2=\"" + pixels(axisY + 5) + "\"/><text x=\"" + pixels(x) +
                    "\" y=\"" + pixels(axisY + 18) + "\" text-anchor=\"middle\">" +
                    percentText(ratio, 3) + "</text>\n";
        }
        out_ += "<text class=\"axis\" x=\"" + pixels(plotLeft + plotWidth / 2) + "\" y=\"" +
                pixels(height - 4) +
                "\" text-anchor=\"middle\">relative change (adjusted \u2212 base) / base</text>\n"
                "<text class=\"axis\" x=\"12\" y=\"" +
                pixels(TOP + PLOT_HEIGHT / 2) +
                "\" text-anchor=\"middle\" transform=\"rotate(-90 12 " +
                pixels(TOP + PLOT_HEIGHT / 2) + ")\">cells</text>\n</svg>\n";
    }

    void restrictions() {
        const std::vector<ReportRow>& rows = data_.rows;
        out_ += "<h2>Restrictions</h2>\n";
        if (rows.empty()) {
            out_ += "<p class=\"note\">No restrictions were declared.</p>\n";
            return;
        }
        std::vector<std::size_t> order(rows.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        const auto moved = [&](std::size_t i) {
            const double change = std::fabs(rows[i].change);
            return std::isnan(change) ? 0.0 : change;
        };
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return moved(a) > moved(b); });
        const double most = rows.empty() ? 0.0 : moved(order[0]);
        const std::size_t shown = std::min(rows.size(), MAX_ROWS_SHOWN);
        out_ +=
            "<p class=\"note\">The restrictions ordered by how much the adjustment moved them: "
            "change is the value in the adjusted table minus the value in the base table. "
            "Binding inequalities are highlighted; equalities hold in every table.";
        if (shown < rows.size()) {
            out_ += " The " + std::to_string(shown) + " that moved most of " +
                    std::to_string(rows.size()) + " are listed; the rows file has all.";
        }
        out_ += "</p>\n";
        if (shown > MAX_ROWS_PRINTED) {
            out_ += "<p class=\"note print\">Printed: the " + std::to_string(MAX_ROWS_PRINTED) +
                    " that moved most of " + std::to_string(rows.size()) +
                    "; the page on screen lists " + std::to_string(shown) +
                    " and the rows file all.</p>\n";
        }
        out_ +=
            "<table class=\"rows restrictions\"><thead><tr><th>restriction</th><th>kind</th>"
            "<th>lower</th><th>upper</th><th>value</th><th>change</th><th>moved</th>"
            "<th>slack</th><th>binding</th></tr></thead>\n";
        // Each restriction in a group of its own: its figures, then its text across the table.
        for (std::size_t i = 0; i < shown; ++i) {
            const ReportRow& row = rows[order[i]];
            const bool isEquality = equality(row);
            const bool binding = row.binding && !row.weak && !isEquality;
            const char* group = binding ? (i < MAX_ROWS_PRINTED ? "binding" : "binding screen")
                                        : (i < MAX_ROWS_PRINTED ? "" : "screen");
            out_ += *group == '\0' ? std::string("<tbody>")
                                   : std::string("<tbody class=\"") + group + "\">";
            out_ += "<tr><td class=\"n\">" + std::to_string(row.number) + "</td><td>" +
                    htmlText(cutText(row.kind, LABEL_CHARS)) + "</td><td class=\"n\">" +
                    limitText(row.lower) + "</td><td class=\"n\">" + limitText(row.upper) +
                    "</td><td class=\"n\">" + numberText(row.value) + "</td><td class=\"n\">" +
                    signedText(row.change) + "</td><td>";
            if (most > 0 && moved(order[i]) > 0) {
                out_ += "<span class=\"moved\" style=\"width:" +
                        pixels(std::max(1.0, 80.0 * moved(order[i]) / most)) + "px\"></span>";
            }
            out_ += "</td><td class=\"n\">" + limitText(row.slack) + "</td><td class=\"b\">" +
                    (row.weak      ? ""
                     : isEquality  ? "equality"
                     : row.binding ? "\u25cf yes"
                                   : "no") +
                    "</td></tr>\n";
            if (!row.text.empty()) {
                out_ += "<tr><td class=\"text\" colspan=\"9\">" +
                        htmlText(cutText(row.text, TEXT_CHARS)) + "</td></tr>\n";
            }
            out_ += "</tbody>\n";
        }
        out_ += "</table>\n";
    }

    const ReportData& data_;
    Cells cells_;
    std::string out_;
};

}  // namespace

std::string htmlText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const char c = bytes[i];
        switch (c) {
            case '&':
                text += "&amp;";
                ++i;
                continue;
            case '<':
                text += "&lt;";
                ++i;
                continue;
            case '>':
                text += "&gt;";
                ++i;
                continue;
            case '"':
                text += "&quot;";
                ++i;
                continue;
            case '\'':
                text += "&#39;";
                ++i;
                continue;
            default:
                break;
        }
        const auto byte = static_cast<unsigned char>(c);
        const std::size_t length = byte < 0x20 || byte == 0x7F ? 0 : utf8Length(bytes, i);
        if (length == 0) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            text += escaped;
            ++i;
        } else {
            text.append(bytes.substr(i, length));
            i += length;
        }
    }
    return text;
}

std::string cutText(std::string_view bytes, std::size_t limit) {
    if (charCount(bytes) <= limit) return std::string(bytes);
    std::size_t end = 0;
    for (std::size_t kept = 0; kept + 1 < limit && end < bytes.size(); ++kept) {
        end += std::max<std::size_t>(utf8Length(bytes, end), 1);
    }
    return std::string(bytes.substr(0, end)) + "\u2026";
}

std::string renderReport(const ReportData& data) {
    return Page(data).render();
}
