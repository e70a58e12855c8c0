#include "qorlex/model/statement_texts.h"

#include <new>

namespace {

constexpr std::string_view JOIN = " ... ";
constexpr auto LIMIT = static_cast<std::size_t>(MAX_STATEMENT_TEXT);

}  // namespace

bool StatementTexts::addToken(std::string_view token, int32_t line) {
    try {
        if (beginning_.empty()) {
            line_ = line;
        } else if (gap_) {
            append(" ");
        }
        gap_ = false;
        append(token);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void StatementTexts::append(std::string_view bytes) {
    if (!full_) {
        const std::size_t room = LIMIT - beginning_.size();
        if (bytes.size() <= room) {
            beginning_.append(bytes);
            return;
        }
        beginning_.append(bytes.substr(0, room));
        bytes.remove_prefix(room);
        full_ = true;
    }
    end_.append(bytes);
    if (end_.size() > 2 * END_KEPT) end_.erase(0, end_.size() - END_KEPT);
}

bool StatementTexts::keep() {
    try {
        std::string shortened;
        if (full_) {
            // The beginning up to the last blank that leaves room for the join and the end; the
            // end from its first blank on.
            const std::size_t room = LIMIT - END_KEPT - JOIN.size();
            const std::string_view beginning(beginning_);
            std::size_t cut = beginning.rfind(' ', room);
            if (cut == std::string_view::npos || cut == 0) cut = room;
            const std::string after = beginning_.substr(room) + end_;
            std::string_view end(after);
            end.remove_prefix(end.size() - END_KEPT);
            const std::size_t blank = end.find(' ');
            if (blank != std::string_view::npos && blank + 1 < end.size()) {
                end.remove_prefix(blank + 1);
            }
            shortened.append(beginning.substr(0, cut)).append(JOIN).append(end);
        }
        lines_.push_back(line_);
        try {
            texts_.push_back(full_ ? std::string_view(shortened) : std::string_view(beginning_));
        } catch (...) {
            lines_.pop_back();
            throw;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    forget();
    return true;
}

void StatementTexts::forget() {
    beginning_.clear();
    end_.clear();
    full_ = false;
    gap_ = false;
    line_ = 0;
}
