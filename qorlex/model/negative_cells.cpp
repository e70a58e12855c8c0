#include "qorlex/model/negative_cells.h"

#include <algorithm>
#include <utility>

std::vector<NegativeCells::Entry>::const_iterator NegativeCells::find(int32_t cell) const {
    return std::lower_bound(entries_.begin(), entries_.end(), cell,
                            [](const Entry& entry, int32_t c) { return entry.cell < c; });
}

bool NegativeCells::wants(int32_t cell) const {
    if (entries_.size() < SHOWN) return true;
    const auto at = find(cell);
    return at != entries_.end() && at->cell == cell;
}

void NegativeCells::note(int32_t cell, std::string line) {
    const auto at = entries_.begin() + (find(cell) - entries_.cbegin());
    if (at != entries_.end() && at->cell == cell) {
        at->line = std::move(line);
        return;
    }
    if (entries_.size() >= SHOWN) return;
    entries_.insert(at, Entry{cell, nextOrder_++, std::move(line)});
}

void NegativeCells::forgetNoted(int32_t cell) {
    const auto at = entries_.begin() + (find(cell) - entries_.cbegin());
    if (at != entries_.end() && at->cell == cell) entries_.erase(at);
}

std::vector<std::string> NegativeCells::lines() const {
    std::vector<const Entry*> inOrder;
    for (const Entry& entry : entries_) inOrder.push_back(&entry);
    std::sort(inOrder.begin(), inOrder.end(),
              [](const Entry* a, const Entry* b) { return a->order < b->order; });
    std::vector<std::string> result;
    for (const Entry* entry : inOrder) result.push_back(entry->line);
    return result;
}
