#include "qorimport/translation_values.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/temporary_files.h"
#include "qorimport/description_text.h"

namespace {

// A table this many times the size of its base file is still written whole.
constexpr int64_t MOST_CELLS_PER_LINE = 2;

// Appends `value` as the description writes numbers.
void appendNumber(std::string& text, double value) {
    if (value >= 0 && value < 1e15 && static_cast<double>(static_cast<int64_t>(value)) == value) {
        char digits[24];
        text.append(digits,
                    std::to_chars(digits, digits + sizeof digits, static_cast<int64_t>(value)).ptr);
    } else {
        text += descriptionNumber(value);
    }
}

}  // namespace

TranslationValues::~TranslationValues() {
    if (path_.empty()) return;
    std::remove(path_.c_str());
    releaseTemporaryFile(slot_);
}

bool TranslationValues::write(const ImportedTable& table, const std::string& project,
                              std::string& error) {
    std::string path = project + "-values.tmp-XXXXXX";
    const int descriptor = createTemporaryFile(path.data(), slot_);
    if (descriptor < 0) {
        error = "Could not open file " + path + ": " + std::strerror(errno);
        return false;
    }
    path_ = path;
    std::FILE* file = fdopen(descriptor, "wb");
    if (file == nullptr) {
        error = "Could not open file " + path + ": " + std::strerror(errno);
        ::close(descriptor);
        return false;
    }
    std::string text;
    const std::size_t cells = table.cellCount();
    const bool whole = table.tableSize <= MOST_CELLS_PER_LINE * static_cast<int64_t>(cells) + 64;
    if (whole) {
        // Every cell in cell order; a cell the base file does not name is 0, which the
        // translator takes as it takes a cell of no value.
        std::vector<double> values(static_cast<std::size_t>(table.tableSize), 0.0);
        for (std::size_t i = 0; i < cells; ++i) {
            values[static_cast<std::size_t>(table.cellNumber(i))] = table.values[i];
        }
        text.reserve(values.size() * 8);
        for (double value : values) {
            appendNumber(text, value);
            text += '\n';
        }
        statement_ = "ASCII[" + path + "]";
    } else {
        const std::size_t classes = table.classes.size();
        text.reserve(cells * (classes * 4 + 8));
        char digits[16];
        for (std::size_t i = 0; i < cells; ++i) {
            const int32_t* at = table.cellAt(i);
            for (std::size_t k = 0; k < classes; ++k) {
                text.append(digits, std::to_chars(digits, digits + sizeof digits, at[k] + 1).ptr);
                text += ';';
            }
            appendNumber(text, table.values[i]);
            text += '\n';
        }
        statement_ = "DBF[" + path + "][;]";
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int reason = errno;
    if (std::fclose(file) != 0 || !written) {
        error = "Could not write to " + path + ": " + std::strerror(written ? errno : reason);
        return false;
    }
    return true;
}
