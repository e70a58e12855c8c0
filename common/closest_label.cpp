#include "common/closest_label.h"

#include <algorithm>
#include <cstdint>

#include "common/utf8_text.h"

namespace {

// A suggestion is looked for among labels up to this long, with this many steps at most in
// all, so that a class of a million labels still gets its message at once.
constexpr std::size_t LONGEST_COMPARED = 200;
constexpr std::size_t MOST_STEPS = 20'000'000;

// The characters of `text`, ASCII letters small.
std::vector<uint32_t> characters(std::string_view text) {
    std::vector<uint32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = std::max<std::size_t>(utf8Length(text, i), 1);
        uint32_t point = utf8CodePoint(text, i, length);
        if (point >= 'A' && point <= 'Z') point += 'a' - 'A';
        points.push_back(point);
        i += length;
    }
    return points;
}

std::size_t editDistance(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string closestLabel(std::string_view wanted, const std::vector<std::string>& labels) {
    const std::vector<uint32_t> target = characters(wanted);
    std::string best;
    if (target.size() > LONGEST_COMPARED) return best;
    std::size_t bestDistance = SIZE_MAX;
    std::size_t steps = 0;
    for (const std::string& label : labels) {
        if (label.size() > 4 * LONGEST_COMPARED) continue;
        const std::vector<uint32_t> other = characters(label);
        const std::size_t longer = std::max(target.size(), other.size());
        // Labels whose lengths alone differ too much are not near.
        if (2 * (longer - std::min(target.size(), other.size())) > longer) continue;
        steps += (target.size() + 1) * (other.size() + 1);
        if (steps > MOST_STEPS) break;
        const std::size_t distance = editDistance(target, other);
        if (distance * 2 <= longer && distance < bestDistance) {
            best = label;
            bestDistance = distance;
        }
    }
    return best;
}
