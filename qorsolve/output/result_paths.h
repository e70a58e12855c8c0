// Where a project's result files go, the header line each begins with, how qorsolve knows
// its own earlier ones by that line (own_output.h), and the opening of one of them in a run's
// set. The modules that write the files (result_files.h, conflict_report.h, report_file.h)
// share these; none of them is needed here.
#pragma once

#include <string>
#include <string_view>

#include "common/project.h"
#include "common/result_set.h"

std::string adjustedTablePath(const Project& project);
std::string rowReportPath(const Project& project);
std::string conflictFilePath(const Project& project);

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

// True for the first line (without line end) of a result file of any version.
bool isAdjustedTableHeader(std::string_view line);
bool isRowReportHeader(std::string_view line);
bool isConflictFileHeader(std::string_view line);

// Whether a file can be made where `path` (its links followed) leads, as a result file is
// made: a temporary file in its directory, created and at once removed again. False, with the
// message the write would give (one line and its line end) in `error`, when not: no such
// directory, no permission, a read-only file system. Checked before the solve, so that a run
// does not end after it by losing its results.
bool mayCreate(const std::string& path, std::string& error);

// A result file of the set, open for writing; nullptr, with the message in `error`, when the
// file at `path` is not qorsolve's or cannot be created. `isOurs` recognises the header.
OutputFile* openResult(const std::string& path, bool (*isOurs)(std::string_view),
                       ResultSet& results, std::string& error);
