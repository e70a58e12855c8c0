// The names a misspelt name probably means, for the message of a name that is not found.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

// The names among `names` that `name` is near to, nearest first, at most `most` of them: those
// that begin with the same three letters, or that as many insertions, deletions and
// substitutions as a third of the longer name's length turn into `name`, letter case ignored
// throughout. Equally near names keep their order in `names`.
std::vector<std::string_view> nearestNames(std::string_view name,
                                           std::span<const std::string_view> names,
                                           std::size_t most);
