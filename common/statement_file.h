// The statement file `<project>-stm.dat`: each restriction's statement as the description
// writes it, and the line it starts on, so that a restriction can be shown in its user's own
// form (`(_, _, A15bis24) = 20333` at `bev.txt:412`) where the control file holds only its
// cells. qorlex writes it after the label, binary data, control and class name files, and
// removes an earlier one first, so that it never stands beside the files of another run;
// qordump and qorsolve read it when it is there, with one entry per record of the control file.
//
// A statement's text is its tokens as written, each run of blanks, line ends and comment lines
// between two of them as one blank, without the ";" that ends it. A longer statement than
// MAX_STATEMENT_TEXT bytes keeps its beginning and its end, joined by " ... ".
//
// Layout, int32 little-endian, no padding, nothing after the last entry: the description as
// qorlex was given it (byte count, bytes), the restriction count, and per restriction in
// declaration order the line its statement starts on (from 1) and its text (byte count, bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/input_file.h"
#include "common/read_result.h"

inline constexpr const char* STATEMENT_FILE_SUFFIX = "-stm.dat";

// The longest text kept of a statement: the most a spreadsheet cell holds.
inline constexpr int32_t MAX_STATEMENT_TEXT = 32767;
// The longest description name the reader takes.
inline constexpr int32_t MAX_DESCRIPTION_NAME = 1 << 20;

// Texts end to end in one string, each found by its number.
class TextList {
  public:
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(bytes_).substr(begin, ends_[i] - begin);
    }
    // std::bad_alloc passes to the caller, with the list as it was.
    void push_back(std::string_view text) {
        const std::size_t before = bytes_.size();
        bytes_.append(text);
        try {
            ends_.push_back(bytes_.size());
        } catch (...) {
            bytes_.resize(before);
            throw;
        }
    }

  private:
    std::string bytes_;
    std::vector<std::size_t> ends_;
};

struct StatementFile {
    std::string description;     // the table description as qorlex was given it
    std::vector<int32_t> lines;  // per restriction, the line its statement starts on
    TextList texts;              // per restriction, its statement
};

// False (and the file removed) when it cannot be created or written whole. `lines` and `texts`
// are of the same length, each text at most MAX_STATEMENT_TEXT bytes.
bool writeStatementFile(const std::string& path, std::string_view description,
                        std::span<const int32_t> lines, const TextList& texts);

// Lines from 1, texts of at most MAX_STATEMENT_TEXT bytes, a description name of at most
// MAX_DESCRIPTION_NAME. INVALID also for bytes after the last entry.
ReadResult readStatementFile(InputFile& file, StatementFile& statements);

// The relation a statement's text states: '<', '>', '=', '|' or '~', the last of them in it;
// 0 for a text with none.
char statementRelation(std::string_view text);
