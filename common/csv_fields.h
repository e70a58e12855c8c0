// Fields of comma-separated and other delimited text files: written as the programs write
// them, and read as spreadsheets write them.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// When a text field goes in double quotes (inner quotes doubled).
enum class Quoting {
    WHEN_NEEDED,  // when it holds the separator, a quote, a line break, or spaces at either end
    ALWAYS,       // always, so that a column of texts and numbers tells them apart
};

// A text field as `quoting` asks, for a file whose fields `separator` separates.
std::string csvField(std::string_view bytes, Quoting quoting = Quoting::WHEN_NEEDED,
                     char separator = ',');

// One line of a file: `fields`, each written already (csvField, csvNumber, ...), separated by
// `separator`, and the line end.
std::string csvLine(std::initializer_list<std::string_view> fields, char separator = ',');

// The fields of one line (without its line end) as csvField writes them, quoted ones without
// their quotes; false when a quoted field is not closed or text follows its closing quote.
bool csvSplit(std::string_view line, std::vector<std::string>& fields, char separator = ',');

// The records of a delimited text, one after the other. A record ends at a line end (LF, CR
// LF or a CR alone) outside quotes. A field in double quotes may hold the separator, line
// ends and doubled quotes, which stand for one. With `trimBlanks`, blanks and tabs (those that
// are not the separator) around a field, quoted or not, are not part of it.
class CsvReader {
  public:
    CsvReader(std::string_view text, char separator, bool trimBlanks);

    enum class Status {
        RECORD,            // `fields` holds the next record
        END,               // no record is left
        UNCLOSED_QUOTE,    // a quoted field runs to the end of the text
        TEXT_AFTER_QUOTE,  // something other than a blank, the separator or the line end
                           // follows a closing quote
    };
    // The fields stay valid until the next call.
    Status next(std::vector<std::string_view>& fields);

    // The line, counted from 1, on which the record read last begins (or the failure is).
    int64_t line() const { return line_; }
    // The line after the record read last.
    int64_t nextLine() const { return nextLine_; }

  private:
    bool isBlank(char c) const { return (c == ' ' || c == '\t') && c != separator_; }
    // The record at `p` when its line holds no quote and no carriage return but at its end,
    // as most lines do, split by searches for the separator; `p` then moves past its line end.
    bool readPlainLine(const char*& p, const char* end, std::vector<std::string_view>& fields);
    // The quoted field whose opening quote is at pos_; false when it is not closed.
    bool readQuoted(std::string_view& field);

    std::string_view text_;
    char separator_;
    bool trimBlanks_;
    std::size_t pos_ = 0;
    int64_t line_ = 0;
    int64_t nextLine_ = 1;
    std::deque<std::string> unquoted_;  // fields whose doubled quotes were undone
    bool ends_[256] = {};               // the bytes that end an unquoted field
    bool quotes_ = false;               // the text holds a quote somewhere
    bool carriageReturns_ = false;      // the text holds a carriage return somewhere
};
