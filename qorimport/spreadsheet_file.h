// A delimited file as spreadsheets export it: a header line that names the columns, then one
// record per line. The separator is ';', ',' or a tab, found in the header line unless given;
// fields may stand in double quotes (with "" inside for a quote) and have blanks around them;
// a UTF-8 byte-order mark and CR LF line ends are taken as they come, and a file that is not
// UTF-8 is read as Windows-1252 (text_encoding.h). Lines whose fields are all empty (blank
// lines, or ";;;" of an empty spreadsheet row) are passed over.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/csv_fields.h"
#include "common/input_file.h"
#include "qorimport/import_error.h"

class SpreadsheetFile {
  public:
    // Opens `path` and reads its header line, with `separator` or else the one the header
    // line holds most often outside quotes. False, with `error` set, when the file cannot be
    // read, holds nothing, or its header has an empty or repeated column name.
    bool open(const std::string& path, char separator, ImportMessage& error);

    const std::string& path() const { return path_; }
    // The file was not UTF-8 and is read as Windows-1252.
    bool recoded() const { return !recoded_.empty(); }
    char separator() const { return separator_; }
    // The column names, without blanks around them.
    const std::vector<std::string>& header() const { return header_; }
    int64_t headerLine() const { return headerLine_; }

    // The next record with a field that is not empty; `fields` stay valid until the next call.
    // False at the end of the file, and also, with `error` set, for a record that cannot be
    // read (a quote that is not closed, text after a closing quote).
    bool next(std::vector<std::string_view>& fields, ImportMessage& error);
    // The line the record read last begins on.
    int64_t line() const { return reader_ ? reader_->line() : 0; }

    // A message about this file at `line` (0: the file as a whole).
    ImportMessage message(int64_t line, std::string text) const {
        return ImportMessage{path_, line, std::move(text)};
    }

  private:
    bool readRecord(std::vector<std::string_view>& fields, ImportMessage& error);

    std::string path_;
    InputFile file_;
    std::string recoded_;  // the file in UTF-8, where it was not
    std::optional<CsvReader> reader_;
    char separator_ = ';';
    std::vector<std::string> header_;
    int64_t headerLine_ = 0;
};

// The note for a file read as Windows-1252.
inline constexpr const char* RECODED_NOTE =
    "the file is not UTF-8 and is read as Windows-1252, as a spreadsheet's plain CSV export "
    "writes it";

// The separator's name in messages: "';'", "','", "a tab".
std::string fieldSeparatorName(char separator);
