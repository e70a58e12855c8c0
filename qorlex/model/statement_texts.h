// The restrictions' statements as the description writes them, gathered token by token while
// the scanner reads them: one text and starting line kept for each restriction stored.
//
// A statement's text is its tokens as written, each run of blanks, line ends and comments
// between two of them as one blank. Of a statement longer than MAX_STATEMENT_TEXT bytes, the
// beginning and the last END_KEPT bytes are kept, joined by " ... " (each cut at a blank where
// there is one), so that memory stays bounded by that length whatever a statement holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/statement_file.h"

class StatementTexts {
  public:
    static constexpr std::size_t END_KEPT = 1000;

    // Blanks, a line end or a comment in the statement being read.
    void addGap() { gap_ = true; }
    // A token of the statement being read, which stands on line `line`. False when memory
    // runs out.
    bool addToken(std::string_view token, int32_t line) {
        // Most tokens are a few bytes of a statement begun, with room to spare.
        if (used_ == 0 || full_ || token.size() >= LIMIT - used_) return addAtEdge(token, line);
        if (gap_) beginning_[used_++] = ' ';
        gap_ = false;
        for (const char c : token) beginning_[used_++] = c;
        return true;
    }
    // The statement being read becomes the next restriction's and a new one begins. False
    // when memory runs out.
    bool keep();
    // The statement being read is dropped and a new one begins.
    void forget();

    // The kept statements, in the order kept.
    std::size_t size() const { return lines_.size(); }
    const std::vector<int32_t>& lines() const { return lines_; }
    const TextList& texts() const { return texts_; }

  private:
    static constexpr auto LIMIT = static_cast<std::size_t>(MAX_STATEMENT_TEXT);

    // addToken for a statement's first token, and for one that fills the beginning.
    bool addAtEdge(std::string_view token, int32_t line);
    void append(std::string_view bytes);

    std::vector<int32_t> lines_;
    TextList texts_;
    // The statement being read: its first LIMIT bytes (`used_` of them so far), and once they
    // are full its last bytes beyond them (END_KEPT to twice as many).
    std::unique_ptr<char[]> beginning_;
    std::size_t used_ = 0;
    std::string end_;
    bool full_ = false;
    bool gap_ = false;
    int32_t line_ = 0;
};
