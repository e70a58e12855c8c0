// The two files of a solved project:
//   <project>-adj.csv   class1,...,classK,base,adjusted: one line per adjustable cell
//   <project>-rows.csv  restriction,kind,lower,upper,value,slack,binding: one line per
//                       declared restriction, in declaration order
// Each is written whole or not at all, and only where nothing is yet or where qorsolve wrote
// the file before (recognised by its header line).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/project.h"
#include "qorsolve/restriction_check.h"

std::string adjustedTablePath(const Project& project);
std::string rowReportPath(const Project& project);

// The header lines (without line end) the two files begin with.
bool isAdjustedTableHeader(std::string_view line);
bool isRowReportHeader(std::string_view line);

// True when both files may be written; otherwise false with the message in `error`.
bool mayWriteResults(const Project& project, std::string& error);

// False, with the message in `error` (one line and its line end), when the file cannot be
// created or written whole; nothing of it is left behind then.
bool writeAdjustedTable(const Project& project, const std::vector<double>& x, std::string& error);
bool writeRowReport(const Project& project, const std::vector<RestrictionCheck>& checks,
                    std::string& error);

// Removes both files after one of them could not be written, so that no table stays beside
// the report of another run. Only regular files go (mayWriteResults found them qorsolve's).
void removeResults(const Project& project);
