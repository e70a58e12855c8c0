// The table description qorimport writes, and the base file it reads: a description a person
// can read and change, in the names of table_names.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/output_file.h"
#include "qorimport/base_table.h"
#include "qorimport/import_options.h"
#include "qorimport/margins.h"
#include "qorimport/table_names.h"

// The first line of every description qorimport writes, by which it knows its own.
inline constexpr std::string_view DESCRIPTION_FIRST_LINE =
    "# Table description written by qorimport";

// A number as the description and its base file write it, which the scanner and the base file
// reader read back as the same double: whole numbers below 1e15 in plain digits, others in
// their shortest form, with a point before an exponent ("1.5e+20", "1.e-07").
std::string descriptionNumber(double value);

// The restriction a margin becomes, without its ";": "(Zuerich, _, weiblich) = 782070"; a
// range within the tolerance "(...) | 774249.3 789890.7" (its lower end at least 0), a weak
// one "(...) ~ 782070", with its weight after the target where that is not 1.
std::string restrictionStatement(const ImportOptions& options, const TableNames& names,
                                 const Margin& margin);

// The whole description: a comment that says where it comes from, the classes and their
// characteristics, the BASIS statement `basis` (such as "DBF[p-base.csv][;]"), and the
// margins' restrictions, each file's headed by a comment line that names it.
std::string descriptionText(const ImportOptions& options, const ImportedTable& table,
                            const TableNames& names, const std::vector<Margin>& margins,
                            std::string_view basis, std::string_view namesFile);

// The base file that "DBF[...][;]" reads: one line per cell of the base table, in its order,
// the characteristics' names and the value separated by ';'.
void writeBaseFile(OutputFile& file, const ImportedTable& table, const TableNames& names);
