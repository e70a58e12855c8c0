#include "qorlex/model/statement_texts.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::string_view JOIN = " ... ";

}  // namespace

bool StatementTexts::addAtEdge(std::string_view token, int32_t line) {
    if (!beginning_) {
        beginning_.reset(new (std::nothrow) char[LIMIT]);
        if (!beginning_) return false;
    }
    try {
        if (used_ == 0) {
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
        const std::size_t room = LIMIT - used_;
        const std::size_t taken = std::min(room, bytes.size());
        std::memcpy(beginning_.get() + used_, bytes.data(), taken);
        used_ += taken;
        if (taken == bytes.size()) return;
        bytes.remove_prefix(taken);
        full_ = true;
    }
    end_.append(bytes);
    if (end_.size() > 2 * END_KEPT) end_.erase(0, end_.size() - END_KEPT);
}

bool StatementTexts::keep() {
    try {
        const std::string_view beginning(beginning_.get(), used_);
        std::string shortened;
        if (full_) {
            // The beginning up to the last blank that leaves room for the join and the end; the
            // end from its first blank on.
            const std::size_t room = LIMIT - END_KEPT - JOIN.size();
            std::size_t cut = beginning.rfind(' ', room);
            if (cut == std::string_view::npos || cut == 0) cut = room;
            std::string after(beginning.substr(room));
            after += end_;
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
            texts_.push_back(full_ ? std::string_view(shortened) : beginning);
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
    used_ = 0;
    end_.clear();
    full_ = false;
    gap_ = false;
    line_ = 0;
}
