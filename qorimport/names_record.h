// The names file of an imported table (common/names_file.h): each name of the description with
// the label it stands for and the line it comes from, each restriction with the margin as
// published and its file and line.
#pragma once

#include <vector>

#include "common/names_file.h"
#include "qorimport/base_table.h"
#include "qorimport/import_options.h"
#include "qorimport/margins.h"
#include "qorimport/table_names.h"

NamesFile namesRecord(const ImportOptions& options, const ImportedTable& table,
                      const TableNames& names, const std::vector<Margin>& margins);
