#include "common/utf8_text.h"

#include <algorithm>

std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto first = static_cast<unsigned char>(s[i]);
    if (first < 0x80) return 1;
    std::size_t length = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
    } else {
        return 0;
    }
    if (length > s.size() - i) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0u) != 0x80u) return 0;
    }
    const uint32_t point = utf8CodePoint(s, i, length);
    if (length == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))) return 0;
    if (length == 4 && (point < 0x10000 || point > 0x10FFFF)) return 0;
    return length;
}

uint32_t utf8CodePoint(std::string_view s, std::size_t i, std::size_t length) {
    const auto first = static_cast<unsigned char>(s[i]);
    if (length <= 1) return first;
    uint32_t point = first & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        point = point << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
    }
    return point;
}

std::size_t charCount(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) i += std::max<std::size_t>(utf8Length(s, i), 1);
    return count;
}
