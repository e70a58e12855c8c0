#include "common/cell_text.h"

#include <charconv>

#include "common/utf8_text.h"

namespace {

constexpr char HEX_DIGITS[] = "0123456789abcdef";

// A printable ASCII byte as it is, any other as `escape` and two hex digits.
void appendByte(std::string& text, char c, const char* escape) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
        text += c;
        return;
    }
    text += escape;
    text += HEX_DIGITS[byte >> 4];
    text += HEX_DIGITS[byte & 0xf];
}

// A character beyond ASCII that shows as itself: not a control character (C1, the line and
// paragraph separators) and not one that changes the direction or visibility of the text
// around it.
bool printableOnTerminal(uint32_t point) {
    if (point < 0xA0) return false;
    if (point == 0xAD || (point >= 0x200B && point <= 0x200F)) return false;
    if (point >= 0x2028 && point <= 0x202E) return false;
    if (point >= 0x2060 && point <= 0x206F) return false;
    return point != 0xFEFF;
}

}  // namespace

std::string numberText(double value) {
    char text[64];
    const auto [end, failure] = std::to_chars(text, text + sizeof text, value);
    if (failure != std::errc()) return "?";
    return std::string(text, end);
}

std::string terminalText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = utf8Length(bytes, i);
        if (length > 1 && printableOnTerminal(utf8CodePoint(bytes, i, length))) {
            text.append(bytes.substr(i, length));
            i += length;
            continue;
        }
        appendByte(text, bytes[i], "\\x");
        ++i;
    }
    return text;
}

std::string jsonString(std::string_view bytes) {
    std::string text = "\"";
    text.reserve(bytes.size() + 2);
    for (char c : bytes) {
        switch (c) {
            case '"':
                text += "\\\"";
                continue;
            case '\\':
                text += "\\\\";
                continue;
            case '\n':
                text += "\\n";
                continue;
            case '\t':
                text += "\\t";
                continue;
            case '\r':
                text += "\\r";
                continue;
            default:
                break;
        }
        appendByte(text, c, "\\u00");
    }
    text += '"';
    return text;
}

void CellNamer::indices(int32_t cell, std::vector<int32_t>& out) const {
    const std::size_t k = labels_.classes.size();
    out.assign(k, 0);
    // The last class varies fastest.
    for (std::size_t i = k; i-- > 0;) {
        const int32_t size = labels_.classes[i].size;
        if (size <= 0) continue;  // only in a table without cells
        out[i] = cell % size;
        cell /= size;
    }
}

std::string CellNamer::label(std::size_t k, int32_t index) const {
    if (named_ != nullptr) {
        const std::string& label =
            named_->classes[k].characteristics[static_cast<std::size_t>(index)].label;
        return style_ == NameStyle::TERMINAL ? terminalText(label) : label;
    }
    const ClassLabels& labels = labels_.classes[k];
    if (!labels.named) return std::to_string(index + 1);
    const std::string_view name = labels.name(index);
    return style_ == NameStyle::TERMINAL ? terminalText(name) : std::string(name);
}

std::string CellNamer::cellText(int32_t cell) const {
    std::vector<int32_t> at;
    indices(cell, at);
    std::string text = "(";
    for (std::size_t k = 0; k < at.size(); ++k) {
        if (k > 0) text += ", ";
        text += label(k, at[k]);
    }
    return text + ")";
}
