#include "qorimport/name_generation.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

#include "common/utf8_text.h"

namespace {

// Store limits of the translator's names.
constexpr std::size_t STORE_BLOCKS = 10;
constexpr std::size_t STORE_BLOCK_BYTES = 10000;

struct Plain {
    uint32_t point;
    const char* text;
};

// Letters of Latin-1 and Latin Extended-A with a plain form, sorted by code point.
constexpr Plain PLAIN_LETTERS[] = {
    {0xC0, "A"},  {0xC1, "A"},  {0xC2, "A"},   {0xC3, "A"},   {0xC4, "Ae"},  {0xC5, "A"},
    {0xC6, "Ae"}, {0xC7, "C"},  {0xC8, "E"},   {0xC9, "E"},   {0xCA, "E"},   {0xCB, "E"},
    {0xCC, "I"},  {0xCD, "I"},  {0xCE, "I"},   {0xCF, "I"},   {0xD0, "D"},   {0xD1, "N"},
    {0xD2, "O"},  {0xD3, "O"},  {0xD4, "O"},   {0xD5, "O"},   {0xD6, "Oe"},  {0xD8, "O"},
    {0xD9, "U"},  {0xDA, "U"},  {0xDB, "U"},   {0xDC, "Ue"},  {0xDD, "Y"},   {0xDE, "Th"},
    {0xDF, "ss"}, {0xE0, "a"},  {0xE1, "a"},   {0xE2, "a"},   {0xE3, "a"},   {0xE4, "ae"},
    {0xE5, "a"},  {0xE6, "ae"}, {0xE7, "c"},   {0xE8, "e"},   {0xE9, "e"},   {0xEA, "e"},
    {0xEB, "e"},  {0xEC, "i"},  {0xED, "i"},   {0xEE, "i"},   {0xEF, "i"},   {0xF0, "d"},
    {0xF1, "n"},  {0xF2, "o"},  {0xF3, "o"},   {0xF4, "o"},   {0xF5, "o"},   {0xF6, "oe"},
    {0xF8, "o"},  {0xF9, "u"},  {0xFA, "u"},   {0xFB, "u"},   {0xFC, "ue"},  {0xFD, "y"},
    {0xFE, "th"}, {0xFF, "y"},  {0x132, "IJ"}, {0x133, "ij"}, {0x152, "Oe"}, {0x153, "oe"},
    {0x178, "Y"},
};

// Latin Extended-A (U+0100 to U+017F) apart from the ligatures above: pairs of a capital and
// a small letter, their plain letter by position.
constexpr char EXTENDED_A[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiJjJjKkkLlLlLlLlLlNnNnNnnNnOoOoOo"
    "__RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";

// The plain form of a letter beyond ASCII; nullptr for none.
const char* plainLetter(uint32_t point, char* single) {
    const auto found =
        std::lower_bound(std::begin(PLAIN_LETTERS), std::end(PLAIN_LETTERS), point,
                         [](const Plain& entry, uint32_t p) { return entry.point < p; });
    if (found != std::end(PLAIN_LETTERS) && found->point == point) return found->text;
    if (point >= 0x100 && point < 0x100 + sizeof EXTENDED_A - 1) {
        const char c = EXTENDED_A[point - 0x100];
        if (c == '_') return nullptr;
        single[0] = c;
        single[1] = '\0';
        return single;
    }
    return nullptr;
}

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The word a sign reads as; nullptr for a sign that drops out. `betweenDigits` for "-".
const char* signWord(char c, bool betweenDigits) {
    switch (c) {
        case '-':
            return betweenDigits ? "bis" : nullptr;
        case '+':
            return "plus";
        case '<':
            return "unter";
        case '>':
            return "ueber";
        case '%':
            return "Prozent";
        case '&':
            return "und";
        default:
            return nullptr;
    }
}

std::string smallLetters(std::string_view text) {
    std::string small(text);
    for (char& c : small) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return small;
}

}  // namespace

std::string plainName(std::string_view label) {
    std::string name;
    bool capital = false;  // a sign dropped out before the next letter
    const auto append = [&](std::string_view piece) {
        for (char c : piece) {
            if (name.size() >= MAX_NAME_CHARS) return;
            if (capital && c >= 'a' && c <= 'z' && !name.empty()) c = static_cast<char>(c - 32);
            capital = false;
            name += c;
        }
    };
    for (std::size_t i = 0; i < label.size() && name.size() < MAX_NAME_CHARS;) {
        const std::size_t length = utf8Length(label, i);
        if (length > 1) {
            char single[2];
            const char* plain = plainLetter(utf8CodePoint(label, i, length), single);
            if (plain != nullptr) {
                append(plain);
            } else {
                capital = true;
            }
            i += length;
            continue;
        }
        const char c = label[i];
        const bool afterDigit = !name.empty() && isDigit(name.back());
        const bool beforeDigit = i + 1 < label.size() && isDigit(label[i + 1]);
        if (isAsciiLetter(c) || isDigit(c)) {
            append(std::string_view(&label[i], 1));
        } else if (const char* word = signWord(c, afterDigit && beforeDigit)) {
            append(word);
        } else {
            capital = true;
        }
        ++i;
    }
    return name;
}

bool isReservedName(std::string_view name) {
    const std::string small = smallLetters(name);
    return small.starts_with("klass") || small.starts_with("auspr") || small.starts_with("rest") ||
           small == "basis" || small == "ende";
}

std::vector<std::string> uniqueNames(const std::vector<std::string>& labels, char prefix) {
    std::vector<std::string> names;
    names.reserve(labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        std::string name = plainName(labels[i]);
        if (name.empty()) {
            name = prefix;
            name += std::to_string(i + 1);
        } else if (isDigit(name[0]) || isReservedName(name)) {
            name.insert(name.begin(), prefix);
            if (isReservedName(name)) name[0] = 'X';
        }
        names.push_back(std::move(name));
    }
    // A name that several labels give stays with the first; the others get the lowest number
    // that no name has.
    std::unordered_map<std::string, std::size_t> count;
    for (const std::string& name : names) ++count[name];
    std::unordered_set<std::string> used;
    for (std::string& name : names) {
        if (count[name] == 1 || used.insert(name).second) {
            used.insert(name);
            continue;
        }
        for (std::size_t suffix = 2;; ++suffix) {
            std::string numbered = name + std::to_string(suffix);
            if (count.count(numbered) == 0 && used.insert(numbered).second) {
                name = std::move(numbered);
                break;
            }
        }
    }
    return names;
}

bool fitNameStore(const std::vector<std::size_t>& lengths) {
    std::size_t blocks = 1;
    std::size_t left = STORE_BLOCK_BYTES;
    for (std::size_t length : lengths) {
        const std::size_t needed = length + 1;
        if (needed > STORE_BLOCK_BYTES) return false;
        if (needed > left) {
            if (++blocks > STORE_BLOCKS) return false;
            left = STORE_BLOCK_BYTES;
        }
        left -= needed;
    }
    return true;
}
