// What the report's header shows of a run: the settings the command line gave it, the
// distance its objective sums over the cells, the project's files and the files the project
// was made from with their modification times, the date and the version.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/project.h"
#include "qorsolve/core/solve_settings.h"
#include "qorsolve/output/html_report.h"
#include "qorsolve/problem/objective.h"

// The header of a run of `settings` on `project` whose objective measures `distance`: the
// words of its distance and of its objective (with the weak restrictions' term where the
// project declares any and the run does not ignore them), the files the project was read from
// and, where its record of inputs can be read, the files it was made from, the date
// (reportDate of SOURCE_DATE_EPOCH and the time now) and QOR_VERSION. The caller sets `work`.
ReportRun reportRun(const Project& project, const SolveSettings& settings, Distance distance);

// The date of a report: `sourceDateEpoch` (the variable's value, or null where it is not set)
// where it is a whole number of seconds since 1970 (digits only, as reproducible builds set
// it), so that a rerun gives the same page; else `now`.
int64_t reportDate(const char* sourceDateEpoch, int64_t now);
