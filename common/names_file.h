// The names file `<project>-names.csv`: the labels of a table as its user wrote them, for the
// names the table description gives its classes and characteristics, and where each
// restriction comes from. qorimport writes it beside the project files of a table it made from
// spreadsheet files; qordump and qorsolve read it when it is there and show the labels in
// place of the names.
//
// Layout: a CSV file in UTF-8 (comma-separated, fields quoted where they hold a comma, a quote,
// a line break or blanks at either end), with the header line
//   kind,class,number,name,label,source
// and then one line per class, each followed by the lines of its characteristics, and one
// line per restriction:
//   class,1,,Region,Region,base.csv:1
//   characteristic,1,1,Zuerich,Zürich,base.csv:2
//   restriction,,1,"(Zuerich, _, weiblich) = 782070","Region = Zürich: 782070",margins.csv:3
// Classes, characteristics and restrictions are numbered from 1 in their order. A class's
// or characteristic's `name` is the one in the description (the characteristic's number for a
// class declared by its count), its `source` the line it first appears on; a restriction's
// `name` is its statement in the description without the ";", its `label` the restriction as
// its source states it. Later versions may append columns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/input_file.h"
#include "common/output_file.h"
#include "common/read_result.h"

struct NamedItem {
    std::string name;
    std::string label;
    std::string source;
};

struct NamedClass : NamedItem {
    std::vector<NamedItem> characteristics;
};

struct NamesFile {
    std::vector<NamedClass> classes;
    std::vector<NamedItem> restrictions;  // name: the statement; label: as declared
};

// The first line of every names file.
inline constexpr std::string_view NAMES_FILE_HEADER = "kind,class,number,name,label,source";

// True for the first line (without its line end) of a names file.
bool isNamesFileHeader(std::string_view line);

// Writes the whole file into `file`, which the caller opened and commits.
void writeNamesFile(OutputFile& file, const NamesFile& names);

// The lines in the order and with the numbers above, each with at least the six columns; a
// byte-order mark first and CR LF line ends are accepted. INVALID otherwise.
ReadResult readNamesFile(InputFile& file, NamesFile& names);

// Whether a restriction's statement (as `name` holds it) has the relation `type` (BoundType)
// and the values the control file keeps for it: the one value of "=", ">" and "<", the target
// of "~", both values of "|".
bool statementFits(std::string_view statement, int32_t type, double lowerValue, double upperValue);
