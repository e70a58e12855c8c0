#include "qorlex/model/nearest_names.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

// Names longer than this are compared by their first three letters only: the distance costs
// the product of the two lengths.
constexpr std::size_t LONGEST_COMPARED = 256;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameLetter(char a, char b) {
    return lower(a) == lower(b);
}

// The edit distance of `a` and `b`, letter case ignored.
std::size_t distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min(
                {row[j] + 1, row[j - 1] + 1, diagonal + (sameLetter(a[i - 1], b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string_view> nearestNames(std::string_view name,
                                           std::span<const std::string_view> names,
                                           std::size_t most) {
    constexpr std::size_t PREFIX = 3;
    std::vector<std::pair<std::size_t, std::size_t>> near;  // (distance, position in names)
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view candidate = names[i];
        const bool samePrefix =
            name.size() >= PREFIX && candidate.size() >= PREFIX &&
            std::equal(name.begin(), name.begin() + PREFIX, candidate.begin(), sameLetter);
        const std::size_t longer = std::max(name.size(), candidate.size());
        const std::size_t shorter = std::min(name.size(), candidate.size());
        // The lengths alone tell when the distance cannot be small enough.
        const bool compared =
            longer <= LONGEST_COMPARED && (samePrefix || 3 * (longer - shorter) <= longer);
        const std::size_t d = compared ? distance(name, candidate) : longer;
        if (samePrefix || 3 * d <= longer) near.emplace_back(d, i);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string_view> result;
    for (std::size_t i = 0; i < near.size() && i < most; ++i)
        result.push_back(names[near[i].second]);
    return result;
}
