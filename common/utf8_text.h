// UTF-8 in names and labels: which bytes form characters, and how many characters a text has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The length of the valid UTF-8 sequence at `i` (1 to 4), 0 for a byte that does not begin
// one (a continuation byte, an overlong form, a surrogate, a sequence cut short).
std::size_t utf8Length(std::string_view s, std::size_t i);

// The code point of the valid sequence of `length` bytes at `i`.
uint32_t utf8CodePoint(std::string_view s, std::size_t i, std::size_t length);

// Characters of `s`: each valid sequence counts one, each other byte one.
std::size_t charCount(std::string_view s);
