#include "qorimport/text_encoding.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "common/utf8_text.h"

namespace {

// The characters of the bytes 0x80 to 0x9F; 0 where the code has none.
constexpr uint16_t WINDOWS_1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& text, uint32_t point) {
    if (point < 0x80) {
        text += static_cast<char>(point);
    } else if (point < 0x800) {
        text += static_cast<char>(0xC0 | point >> 6);
        text += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | point >> 12);
        text += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Plain ASCII, eight bytes at a time, up to the first byte that is not.
        if (i + 8 <= text.size()) {
            uint64_t block = 0;
            std::memcpy(&block, text.data() + i, 8);
            const uint64_t high = block & 0x8080808080808080ull;
            if (high == 0) {
                i += 8;
                continue;
            }
            if constexpr (std::endian::native == std::endian::little) {
                i += static_cast<std::size_t>(std::countr_zero(high)) / 8;
            }
        }
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = utf8Length(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string fromWindows1252(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte < 0xA0 && WINDOWS_1252[byte - 0x80] != 0) {
            appendUtf8(decoded, WINDOWS_1252[byte - 0x80]);
        } else {
            appendUtf8(decoded, byte);
        }
    }
    return decoded;
}
