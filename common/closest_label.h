// The label a mistyped one was probably meant to be, for "did you mean" in a message.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The label of `labels` nearest to `wanted` by edit distance over characters, small and
// capital letters alike, when it is near enough to be meant (at most half the longer one's
// characters differ); empty otherwise. The first of equally near ones.
std::string closestLabel(std::string_view wanted, const std::vector<std::string>& labels);
