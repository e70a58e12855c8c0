// The visual report of an adjustment: one self-contained HTML page (inline SVG and CSS, no
// script, nothing fetched) that shows where the table moved, on screen and in print.
//
//   - the run: mode, distance, what the objective measures, the limits, the files read with
//     their modification times, the date and the version;
//   - the summary: status, objective, gap, cells changed, restrictions;
//   - per pair of classes (of the first MAX_MAP_CLASSES classes) a heat map of the change of
//     the cells summed over the other classes, coloured by the relative change, each square
//     showing the change and the relative change where they fit, with a legend and the class
//     and characteristic names on the axes; a class of more than MAX_AXIS_BINS
//     characteristics is drawn in groups of neighbouring characteristics;
//   - the MAX_CELLS_LISTED cells of the largest change and of the largest relative change;
//   - a histogram of the relative changes of the changed cells, on a scale clipped to the
//     bulk of them when a few lie far out, those counted at its edges;
//   - the restrictions, those that moved most first, the binding inequalities marked; in
//     print the first MAX_ROWS_PRINTED of them;
//   - for a table that cannot exist, the conflict lines instead.
//
// The page's size is bounded whatever the table's: the maps and the histogram aggregate,
// at most MAX_ROWS_SHOWN restrictions are listed and every text is cut to a fixed length.
// All text from the user (names, restriction texts, the project and file names) is escaped.
// The same data give the same bytes: nothing on the page depends on the clock but `date`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t MAX_MAP_CLASSES = 5;  // 10 pairs
inline constexpr std::size_t MAX_AXIS_BINS = 24;
inline constexpr std::size_t MAX_ROWS_SHOWN = 200;
inline constexpr std::size_t MAX_ROWS_PRINTED = 50;
inline constexpr std::size_t MAX_CELLS_LISTED = 20;

// The first line of every report, which marks the file as qorsolve's.
inline constexpr std::string_view REPORT_FIRST_LINE = "<!DOCTYPE html><!-- qorsolve report -->";

// One declared restriction as the rows file gives it.
struct ReportRow {
    int32_t number = 0;   // 1-based, in declaration order
    std::string kind;     // "hard", "weak" or "bound"
    double lower = 0.0;   // -infinity for none; a weak restriction's target
    double upper = 0.0;   // +infinity for none; a weak restriction's target
    double value = 0.0;   // over the adjusted table
    double change = 0.0;  // value minus the value over the base table
    double slack = 0.0;
    bool weak = false;  // no binding then
    bool binding = false;
    std::string text;  // the restriction written out, names as bytes
};

// A file the run read, or one the project was made from, and when it was last modified.
struct ReportFile {
    std::string path;             // as the project or the record of its inputs names it
    bool known = false;           // whether the system told its modification time
    int64_t modifiedSeconds = 0;  // since 1970-01-01 00:00 UTC
    bool changed = false;         // an input that changed after the project was made
};

// How the run adjusted the table, for the page's header.
struct ReportRun {
    bool wholeNumbers = true;  // false: real numbers (--continuous)
    std::string distance;      // the distance's name and its cell term, as text
    std::string objective;     // what the objective measures, in words
    double timeLimit = std::numeric_limits<double>::infinity();  // seconds; infinite for none
    int64_t workLimit = 0;                                       // of the whole-number search
    int64_t work = -1;                 // the work it did; -1 where no whole-number search ran
    std::vector<ReportFile> read;      // the project's files the run read
    std::vector<ReportFile> madeFrom;  // the files the project was made from, as recorded
    int64_t date = 0;                  // seconds since 1970-01-01 00:00 UTC
    std::string version;
};

struct ReportData {
    std::string project;    // the page's title
    std::string status;     // "optimal", "time limit", "infeasible", ...
    bool hasTable = false;  // the cells and rows below are an adjusted table
    double objective = 0.0;
    bool proven = true;  // false: `gap` and `bound` say how far from proven
    double gap = 0.0;
    double bound = 0.0;

    std::vector<std::string> classNames;  // one per class
    std::vector<int32_t> classSizes;      // characteristics per class
    // Per class the names by 0-based index, or empty for a class numbered 1, 2, ...
    std::vector<std::vector<std::string>> characteristics;

    // Per cell: classNames.size() characteristic indices (flattened), base and adjusted value.
    std::vector<int32_t> cellAt;
    std::vector<double> base;
    std::vector<double> adjusted;

    std::vector<ReportRow> rows;
    // For a table that cannot exist: the lines qorsolve printed after its status line.
    std::vector<std::string> conflictLines;

    ReportRun run;
};

// The whole page, beginning with REPORT_FIRST_LINE and its line end. Data that do not fit
// together (indices outside their class, arrays of different lengths) are left out, not read.
std::string renderReport(const ReportData& data);

// `bytes` as HTML text: the markup characters as entities, valid UTF-8 as it is, and every
// other byte (control characters and bytes that are not UTF-8) as "\xNN".
std::string htmlText(std::string_view bytes);

// At most `limit` characters (UTF-8 sequences count as one) of `bytes`, "…" ending a text
// that was cut.
std::string cutText(std::string_view bytes, std::size_t limit);
