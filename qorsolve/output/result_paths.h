// Where a project's result files go and in which form, the header line each begins with, how
// qorsolve knows its own earlier ones by that line (own_output.h), and the opening of one of
// them in a run's set. The modules that write the files (result_files.h, conflict_report.h,
// report_file.h) share these; none of them is needed here.
#pragma once

#include <string>
#include <string_view>

#include "common/project.h"
#include "common/result_set.h"
#include "qorsolve/core/solve_settings.h"
#include "qorsolve/output/csv_text.h"

// Where a run writes its result files, <prefix>-adj.csv, <prefix>-rows.csv and
// <prefix>-conflict.csv, and the form of their fields.
struct ResultPlace {
    std::string prefix;         // the project's name, or the prefix --output gives
    bool projectPrefix = true;  // the prefix is the project's, however spelt
    CsvForm form;
};

// The place `settings` ask for the results of `project`.
ResultPlace resultPlace(const Project& project, const SolveSettings& settings = {});

std::string adjustedTablePath(const ResultPlace& place);
std::string rowReportPath(const ResultPlace& place);
std::string conflictFilePath(const ResultPlace& place);

// The headers, and the stable runs by which qorsolve knows the files: a new column goes at
// the end of a header.
inline constexpr std::string_view ROW_REPORT_HEADER =
    "restriction,kind,lower,upper,value,slack,binding,change,text,declared,source";
// The header of the rows file's first version, before the change and the text.
inline constexpr std::string_view ROW_REPORT_STABLE =
    "restriction,kind,lower,upper,value,slack,binding";
static_assert(ROW_REPORT_HEADER.starts_with(ROW_REPORT_STABLE));
// After the class names.
inline constexpr std::string_view ADJUSTED_TABLE_COLUMNS = "base,adjusted,change,relative change";
// The columns after the class names since the change columns came. Before them,
// "class1,...,classK,base,adjusted" only.
inline constexpr std::string_view ADJUSTED_TABLE_STABLE = "base,adjusted,change,relative change";
static_assert(ADJUSTED_TABLE_COLUMNS.starts_with(ADJUSTED_TABLE_STABLE));
inline constexpr std::string_view CONFLICT_FILE_HEADER =
    "kind,member,relation,value,change,multiplier,objective";
// The header of the conflict file's first version.
inline constexpr std::string_view CONFLICT_FILE_STABLE = "kind,member,relation,value,change";
static_assert(CONFLICT_FILE_HEADER.starts_with(CONFLICT_FILE_STABLE));

// True for the first line (without line end) of a result file of any version, its fields
// separated by any of CSV_SEPARATORS.
bool isAdjustedTableHeader(std::string_view line);
bool isRowReportHeader(std::string_view line);
bool isConflictFileHeader(std::string_view line);

// Whether a file can be made where `path` (its links followed) leads, as a result file is
// made: a temporary file in its directory, created and at once removed again. False, with the
// message the write would give (one line and its line end) in `error`, when not: no such
// directory, no permission, a read-only file system. Checked before the solve, so that a run
// does not end after it by losing its results.
bool mayCreate(const std::string& path, std::string& error);

// Checked before the solve and before the lock of a prefix other than the project's is taken:
// that prefix names no existing folder and no file of `project`, is not the name of another
// project, whose results these would pass for, and its folder takes a new file. False, with
// the message in `error`, when not; true at once for the project's own prefix.
bool mayUsePlace(const Project& project, const ResultPlace& place, std::string& error);

// A result file of the set, open for writing; nullptr, with the message in `error`, when the
// file at `path` is not qorsolve's or cannot be created. `isOurs` recognises the header.
OutputFile* openResult(const std::string& path, bool (*isOurs)(std::string_view),
                       ResultSet& results, std::string& error);
