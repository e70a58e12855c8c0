// The report file that --report names: gathered from the run, rendered by renderReport and
// written whole or not at all. Like the other results it replaces only a file qorsolve wrote,
// recognised by its first line (REPORT_FIRST_LINE).
#pragma once

#include <string>
#include <string_view>

#include "common/project.h"
#include "common/result_set.h"
#include "qorsolve/output/html_report.h"
#include "qorsolve/output/report_run.h"
#include "qorsolve/output/status_words.h"
#include "qorsolve/output/written_table.h"

bool isReportFirstLine(std::string_view line);

// True when the report may be written at `path`: no file of someone else's stands there, and
// its directory takes a new file. Otherwise false with the message in `error`.
bool mayWriteReport(const std::string& path, std::string& error);

// The report of a written table, whose objective F is `objective`, made by a run of
// `settings` whose objective measures `distance`.
ReportData tableReport(const Project& project, const WrittenTable& table, double objective,
                       const SolveSettings& settings, Distance distance);

// The report of a run of `settings` that wrote no table: its status and the lines it printed
// after the status line (the conflict of a table that cannot exist).
ReportData statusReport(const Project& project, const StatusLines& status,
                        const SolveSettings& settings, Distance distance);

// Renders the report into a file of `results`, which the caller commits with the run's other
// result files. False, with the message in `error` (one line and its line end), when a file
// qorsolve did not write stands at `path` or the file cannot be created.
bool writeReport(const std::string& path, const ReportData& data, ResultSet& results,
                 std::string& error);
