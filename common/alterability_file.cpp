#include "common/alterability_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

#include "common/cell_text.h"
#include "common/closest_label.h"
#include "common/csv_fields.h"
#include "common/input_file.h"

namespace {

// A field that covers every characteristic of its class.
constexpr int32_t EVERY = -1;

// Appended piece by piece: GCC 12's -Wrestrict misreads "\"" + text + "\"" at -O3.
std::string quoted(std::string_view text) {
    std::string out = "\"";
    out += terminalText(text);
    out += '"';
    return out;
}

std::string suggestion(std::string_view wanted, const std::vector<std::string>& names) {
    const std::string meant = closestLabel(wanted, names);
    return meant.empty() ? "" : " (did you mean " + quoted(meant) + "?)";
}

// The names each class and each of its characteristics go by, as the header describes.
class TableNames {
  public:
    explicit TableNames(const AlterabilityNames& names) : names_(names) {}

    std::size_t classCount() const { return names_.labels.classes.size(); }

    // The class a header field names, or -1.
    int32_t classOf(std::string_view field) const {
        for (std::size_t k = 0; k < classCount(); ++k) {
            for (const std::string& name : classNames(k)) {
                if (name == field) return static_cast<int32_t>(k);
            }
        }
        return -1;
    }

    std::vector<std::string> allClassNames() const {
        std::vector<std::string> all;
        for (std::size_t k = 0; k < classCount(); ++k) {
            for (std::string& name : classNames(k)) all.push_back(std::move(name));
        }
        return all;
    }

    // How a message names class k.
    std::string classText(std::size_t k) const { return classNames(k).front(); }

    // The characteristic of class k a field names (0-based), EVERY for a blank field or "_",
    // or -2 for none.
    int32_t characteristicOf(std::size_t k, std::string_view field) const {
        if (field.empty() || field == "_") return EVERY;
        const ClassLabels& labels = names_.labels.classes[k];
        const NamedClass* named = namedClass(k);
        for (int32_t i = 0; i < labels.size; ++i) {
            const auto c = static_cast<std::size_t>(i);
            if (labels.named && labels.name(i) == field) return i;
            if (named != nullptr && named->characteristics[c].label == field) return i;
        }
        if (!labels.named) {
            int32_t number = 0;
            const char* end = field.data() + field.size();
            const auto [stop, failure] = std::from_chars(field.data(), end, number);
            if (failure == std::errc() && stop == end && number >= 1 && number <= labels.size) {
                return number - 1;
            }
        }
        return -2;
    }

    std::vector<std::string> characteristicNames(std::size_t k) const {
        std::vector<std::string> all;
        const ClassLabels& labels = names_.labels.classes[k];
        const NamedClass* named = namedClass(k);
        if (!labels.named && named == nullptr) return all;
        for (int32_t i = 0; i < labels.size; ++i) {
            if (labels.named) all.emplace_back(labels.name(i));
            if (named != nullptr) all.push_back(named->characteristics[std::size_t(i)].label);
        }
        return all;
    }

  private:
    // The names file's class k where it describes every characteristic of it.
    const NamedClass* namedClass(std::size_t k) const {
        if (names_.names == nullptr || k >= names_.names->classes.size()) return nullptr;
        const NamedClass& named = names_.names->classes[k];
        return named.characteristics.size() ==
                       static_cast<std::size_t>(names_.labels.classes[k].size)
                   ? &named
                   : nullptr;
    }

    // Class k's names: its name, its label, and class<k+1>; the first is what messages use.
    std::vector<std::string> classNames(std::size_t k) const {
        std::vector<std::string> all;
        if (k < names_.classNames.size() && !names_.classNames[k].empty()) {
            all.push_back(names_.classNames[k]);
        }
        if (names_.names != nullptr && k < names_.names->classes.size() &&
            !names_.names->classes[k].label.empty()) {
            all.push_back(names_.names->classes[k].label);
        }
        all.push_back("class" + std::to_string(k + 1));
        return all;
    }

    const AlterabilityNames& names_;
};

// The coefficient of a field: finite and not negative; false with `problem` set otherwise.
bool coefficientOf(std::string_view field, double& value, std::string& problem) {
    const char* end = field.data() + field.size();
    const auto [stop, failure] = std::from_chars(field.data(), end, value);
    if (field.empty() || failure != std::errc() || stop != end || !std::isfinite(value)) {
        problem = "the alterability " + quoted(field) + " is not a finite number";
        return false;
    }
    if (value < 0) {
        problem = "the alterability " + std::string(field) + " is negative";
        return false;
    }
    value += 0.0;  // -0 as 0
    return true;
}

class Reader {
  public:
    Reader(std::string_view path, const AlterabilityNames& names,
           const std::vector<int32_t>& cellIndex, std::vector<double>& coefficients)
        : path_(path), table_(names), cellIndex_(cellIndex), coefficients_(coefficients) {
        const std::vector<ClassLabels>& classes = names.labels.classes;
        stride_.assign(classes.size(), 1);
        for (std::size_t k = classes.size(); k-- > 1;) {
            stride_[k - 1] = stride_[k] * std::max<int64_t>(classes[k].size, 1);
        }
    }

    bool read(std::string_view text, std::string& message) {
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        CsvReader csv(text, ',', true);
        std::vector<std::string_view> fields;
        bool header = true;
        coefficients_.assign(cellIndex_.size(), 1.0);
        for (;;) {
            const CsvReader::Status status = csv.next(fields);
            if (status == CsvReader::Status::END) break;
            if (status != CsvReader::Status::RECORD) {
                message = at(csv.line()) + (status == CsvReader::Status::UNCLOSED_QUOTE
                                                ? "a quoted field is not closed"
                                                : "text follows a closing quote");
                return false;
            }
            if (fields.size() == 1 && fields[0].empty()) continue;
            std::string problem;
            const bool ok = header ? readHeader(fields, problem) : readLine(fields, problem);
            if (!ok) {
                message = at(csv.line()) + problem;
                return false;
            }
            header = false;
        }
        if (header) {
            message = at(1) + "the file is empty; its first line names classes and the column " +
                      std::string(ALTERABILITY_COLUMN);
            return false;
        }
        return true;
    }

  private:
    std::string at(int64_t line) const {
        return std::string(path_) + ":" + std::to_string(line) + ": ";
    }

    bool readHeader(const std::vector<std::string_view>& fields, std::string& problem) {
        std::vector<char> named(table_.classCount(), 0);
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const std::string_view field = fields[f];
            if (field == ALTERABILITY_COLUMN) {
                if (coefficientField_ != SIZE_MAX) {
                    problem = "the column " + std::string(ALTERABILITY_COLUMN) + " comes twice";
                    return false;
                }
                coefficientField_ = f;
                fieldClass_.push_back(-1);
                continue;
            }
            const int32_t k = table_.classOf(field);
            if (k < 0) {
                std::vector<std::string> choices = table_.allClassNames();
                choices.emplace_back(ALTERABILITY_COLUMN);
                problem = "no class is named " + quoted(field) + suggestion(field, choices);
                return false;
            }
            if (named[std::size_t(k)]) {
                problem =
                    "the class " + quoted(table_.classText(std::size_t(k))) + " is named twice";
                return false;
            }
            named[std::size_t(k)] = 1;
            fieldClass_.push_back(k);
        }
        if (coefficientField_ == SIZE_MAX) {
            problem = "the header has no column " + std::string(ALTERABILITY_COLUMN);
            return false;
        }
        return true;
    }

    bool readLine(const std::vector<std::string_view>& fields, std::string& problem) {
        if (fields.size() != fieldClass_.size()) {
            problem = std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") +
                      " where the header has " + std::to_string(fieldClass_.size());
            return false;
        }
        double value = 0.0;
        if (!coefficientOf(fields[coefficientField_], value, problem)) return false;
        // The characteristic of each class the line names, EVERY for the others.
        std::vector<int32_t> wanted(table_.classCount(), EVERY);
        for (std::size_t f = 0; f < fields.size(); ++f) {
            if (fieldClass_[f] < 0) continue;
            const auto k = static_cast<std::size_t>(fieldClass_[f]);
            wanted[k] = table_.characteristicOf(k, fields[f]);
            if (wanted[k] == -2) {
                problem = "the class " + quoted(table_.classText(k)) + " has no characteristic " +
                          quoted(fields[f]) + suggestion(fields[f], table_.characteristicNames(k));
                return false;
            }
        }
        apply(wanted, value);
        return true;
    }

    // Sets `value` on every cell whose characteristics are those `wanted` names.
    void apply(const std::vector<int32_t>& wanted, double value) {
        const bool single =
            std::none_of(wanted.begin(), wanted.end(), [](int32_t i) { return i == EVERY; });
        if (single) {
            int64_t number = 0;
            for (std::size_t k = 0; k < wanted.size(); ++k) number += wanted[k] * stride_[k];
            const auto found = std::lower_bound(cellIndex_.begin(), cellIndex_.end(), number);
            if (found != cellIndex_.end() && *found == number) {
                coefficients_[std::size_t(found - cellIndex_.begin())] = value;
            }
            return;
        }
        for (std::size_t j = 0; j < cellIndex_.size(); ++j) {
            bool covered = true;
            for (std::size_t k = 0; k < wanted.size() && covered; ++k) {
                if (wanted[k] == EVERY) continue;
                const int64_t index = cellIndex_[j] / stride_[k] % sizeOf(k);
                covered = index == wanted[k];
            }
            if (covered) coefficients_[j] = value;
        }
    }

    int64_t sizeOf(std::size_t k) const { return k == 0 ? INT64_MAX : stride_[k - 1] / stride_[k]; }

    std::string_view path_;
    TableNames table_;
    const std::vector<int32_t>& cellIndex_;
    std::vector<double>& coefficients_;
    std::vector<int64_t> stride_;
    std::vector<int32_t> fieldClass_;  // per header field its class, -1 for the coefficient
    std::size_t coefficientField_ = SIZE_MAX;
};

}  // namespace

bool readAlterability(std::string_view path, std::string_view text, const AlterabilityNames& names,
                      const std::vector<int32_t>& cellIndex, std::vector<double>& coefficients,
                      std::string& message) {
    try {
        Reader reader(path, names, cellIndex, coefficients);
        return reader.read(text, message);
    } catch (const std::bad_alloc&) {
        coefficients.clear();
        message = std::string(path) + ": not enough memory to read the alterability file";
        return false;
    }
}

bool readAlterabilityFile(const std::string& path, const AlterabilityNames& names,
                          const std::vector<int32_t>& cellIndex, std::vector<double>& coefficients,
                          std::string& message) {
    InputFile file;
    if (!file.open(path)) {
        const int reason = errno;
        message = path + ": " + (reason == EINVAL ? "Not a regular file" : std::strerror(reason));
        return false;
    }
    return readAlterability(path, file.viewRest(), names, cellIndex, coefficients, message);
}
