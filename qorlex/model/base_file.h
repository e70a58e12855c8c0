// Reading the files that BASIS statements name: a plain file of numbers and a delimited
// file of lines. Both are read as text: a carriage return directly before a line feed is
// dropped, and a UTF-8 byte-order mark at the very start of the file is skipped.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// The bytes a spreadsheet's "CSV UTF-8" export writes first.
inline constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// The separators a delimited file is usually written with, in the order a line without its
// own separator is tried with them.
inline constexpr char USUAL_SEPARATORS[4] = {'\t', ';', ',', ' '};

// The separator as messages name it: "tab", "blank", or the character in quotes...
std::string separatorName(char separator);
// ...and several of them: "tabs", "blanks", "commas", "semicolons", or `"|" characters`.
std::string separatorPlural(char separator);

// The file name of a base-file token ASCII[file] or DBF[file][c]: the text between its first
// '[' and the next ']'. A NUL byte ends it where a C string would.
std::string_view baseFileName(std::string_view token);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// A base file opened for reading: the path it was found under, or, when it cannot be
// opened, every path tried and why it failed.
struct BaseFileOpening {
    std::FILE* file = nullptr;
    std::string path;
    std::string tried;  // "x.csv" (No such file or directory), "dir/x.csv" (Is a directory)
};

// Opens `name` for reading, or else `directory` + "/" + `name` when `directory` is not
// empty. A directory does not count as a file.
BaseFileOpening openBaseFile(std::string_view name, const std::string& directory);

// `text` quoted for a message, with backslash escapes for quotes, backslashes and bytes that
// are not printable ASCII; cut short with "..." after about 60 characters.
std::string quotedText(std::string_view text);

// The numbers of a plain text file, one after the other, with the syntax of C's "%lf"
// (sign, decimal digits, point, exponent, hexadecimal floats, inf and nan), separated by
// any white space.
class NumberFileReader {
  public:
    explicit NumberFileReader(std::FILE* file);
    // The next number; false at the end of the file or at something that is no number.
    bool next(double& value);

    // The line of the number just read or of where reading stopped, counted from 1.
    int64_t line() const { return line_; }
    // The text of the number just read.
    std::string_view number() const;
    // After next() gave false: empty at the end of the file, else the text up to the next
    // white space where no number could be read...
    std::string_view failedText() const;
    // ...and what the same word held before it: a number read before ("347" of "347,5").
    std::string_view failedAfter() const;

  private:
    bool fill();

    std::FILE* file_;
    std::string buffer_;
    std::size_t position_ = 0;
    std::size_t tokenStart_ = 0;  // start of the token at position_, once searched
    std::size_t tokenEnd_ = 0;    // end of the token at position_, once searched
    std::size_t numberStart_ = 0;
    bool atEnd_ = false;
    bool started_ = false;  // the first block is read
    int64_t line_ = 1;
};

// The lines of a text file. A line is handed out without its line end; the last line
// may have none.
class LineReader {
  public:
    // Lines are read up to `maxLength` characters: of a longer line only that much is
    // read, and its length is reported as more than `maxLength`.
    LineReader(std::FILE* file, std::size_t maxLength) : file_(file), maxLength_(maxLength) {}
    // The next line into `line`; `length` is its length as read, its line end (LF, after
    // dropping a CR directly before it) included. False at the end of the file.
    bool next(std::string& line, std::size_t& length);
    // The number of the line read last, counted from 1.
    int64_t line() const { return line_; }

  private:
    bool fill();

    std::FILE* file_;
    std::size_t maxLength_;
    std::string buffer_;
    std::size_t position_ = 0;
    bool started_ = false;  // the first block is read
    int64_t line_ = 0;
};

// How the value field of a DBF line reads.
enum class DbfValue {
    NUMBER,              // a number, and nothing after it that could be read as more of it
    NO_NUMBER,           // the field does not begin with a number
    MORE_THAN_A_NUMBER,  // a number, then text that goes on with it ("347,5", "1 234")
};

// Reads the number at the start of `text`, the rest of a DBF line, which ends at its NUL.
// After the number may come the end of the line, the separator (and then anything), or
// blanks followed by the end, the separator or text that does not begin like a number (a
// unit: "30 persons"). A CR at the very end counts as the line end. `numberLength` is how
// many bytes the number takes.
DbfValue readDbfValue(const char* text, char separator, double& value, std::size_t& numberLength);
