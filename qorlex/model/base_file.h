// Reading the files that BASIS statements name: a plain file of numbers and a delimited
// file of lines. Both are read as text: a carriage return directly before a line feed is
// dropped.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Opens `name` for reading, or else `directory` + "/" + `name` when `directory` is not
// empty. A directory does not count as a file. nullptr when neither can be opened.
std::FILE* openBaseFile(std::string_view name, const std::string& directory);

// The numbers of a plain text file, one after the other, with the syntax of C's "%lf"
// (sign, decimal digits, point, exponent, hexadecimal floats, inf and nan), separated by
// any white space.
class NumberFileReader {
  public:
    explicit NumberFileReader(std::FILE* file);
    // The next number; false at the end of the file or at something that is no number.
    bool next(double& value);

  private:
    bool fill();

    std::FILE* file_;
    std::string buffer_;
    std::size_t position_ = 0;
    std::size_t tokenEnd_ = 0;  // end of the token at position_, once searched
    bool atEnd_ = false;
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

  private:
    bool fill();

    std::FILE* file_;
    std::size_t maxLength_;
    std::string buffer_;
    std::size_t position_ = 0;
};
