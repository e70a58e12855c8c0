#include "common/names_file.h"

#include <charconv>
#include <new>

#include "common/bound_type.h"
#include "common/csv_fields.h"

namespace {

constexpr std::size_t COLUMNS = 6;

void writeLine(OutputFile& file, std::string_view kind, const std::string& classNumber,
               const std::string& number, const NamedItem& item) {
    file.writeText(csvLine({kind, classNumber, number, csvField(item.name), csvField(item.label),
                            csvField(item.source)}));
}

// A number from 1 up, written without sign or leading zero.
bool readNumber(std::string_view text, std::size_t& number) {
    if (text.empty() || text[0] == '0') return false;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number);
    return failure == std::errc() && end == text.data() + text.size();
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The next number of a statement's values; false when none is there.
bool nextValue(std::string_view& rest, double& value) {
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    const auto [end, failure] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (failure != std::errc() || end == rest.data()) return false;
    rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    return true;
}

}  // namespace

bool isNamesFileHeader(std::string_view line) {
    return line.starts_with(NAMES_FILE_HEADER) &&
           (line.size() == NAMES_FILE_HEADER.size() || line[NAMES_FILE_HEADER.size()] == ',');
}

void writeNamesFile(OutputFile& file, const NamesFile& names) {
    file.writeText(std::string(NAMES_FILE_HEADER) + "\n");
    for (std::size_t k = 0; k < names.classes.size(); ++k) {
        const NamedClass& named = names.classes[k];
        const std::string classNumber = std::to_string(k + 1);
        writeLine(file, "class", classNumber, "", named);
        for (std::size_t i = 0; i < named.characteristics.size(); ++i) {
            writeLine(file, "characteristic", classNumber, std::to_string(i + 1),
                      named.characteristics[i]);
        }
    }
    for (std::size_t r = 0; r < names.restrictions.size(); ++r) {
        writeLine(file, "restriction", "", std::to_string(r + 1), names.restrictions[r]);
    }
}

ReadResult readNamesFile(InputFile& file, NamesFile& names) {
    names = NamesFile();
    std::string_view text = file.viewRest();
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    CsvReader reader(text, ',', false);
    std::vector<std::string_view> fields;
    if (reader.next(fields) != CsvReader::Status::RECORD || fields.size() < COLUMNS) {
        return ReadResult::INVALID;
    }
    std::string header(fields[0]);
    for (std::size_t i = 1; i < COLUMNS; ++i) {
        header += ',';
        header.append(fields[i]);
    }
    if (header != NAMES_FILE_HEADER) return ReadResult::INVALID;
    try {
        for (;;) {
            const CsvReader::Status status = reader.next(fields);
            if (status == CsvReader::Status::END) break;
            if (status != CsvReader::Status::RECORD || fields.size() < COLUMNS) {
                return ReadResult::INVALID;
            }
            const NamedItem item{std::string(fields[3]), std::string(fields[4]),
                                 std::string(fields[5])};
            const std::string_view kind = fields[0];
            std::size_t classNumber = 0;
            std::size_t number = 0;
            if (kind == "class") {
                if (!names.restrictions.empty() || !readNumber(fields[1], classNumber) ||
                    classNumber != names.classes.size() + 1 || !fields[2].empty()) {
                    return ReadResult::INVALID;
                }
                NamedClass named;
                static_cast<NamedItem&>(named) = item;
                names.classes.push_back(std::move(named));
            } else if (kind == "characteristic") {
                if (!names.restrictions.empty() || !readNumber(fields[1], classNumber) ||
                    classNumber != names.classes.size() || !readNumber(fields[2], number) ||
                    number != names.classes.back().characteristics.size() + 1) {
                    return ReadResult::INVALID;
                }
                names.classes.back().characteristics.push_back(item);
            } else if (kind == "restriction") {
                if (!fields[1].empty() || !readNumber(fields[2], number) ||
                    number != names.restrictions.size() + 1) {
                    return ReadResult::INVALID;
                }
                names.restrictions.push_back(item);
            } else {
                return ReadResult::INVALID;
            }
        }
    } catch (const std::bad_alloc&) {
        names = NamesFile();
        return ReadResult::NO_MEMORY;
    }
    return ReadResult::OK;
}

bool statementFits(std::string_view statement, int32_t type, double lowerValue, double upperValue) {
    const std::size_t close = statement.rfind(')');
    if (close == std::string_view::npos) return false;
    std::string_view rest = statement.substr(close + 1);
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    if (rest.empty()) return false;
    const char relation = rest.front();
    rest.remove_prefix(1);
    double first = 0.0;
    double second = 0.0;
    if (!nextValue(rest, first)) return false;
    switch (relation) {
        case '=':
            return type == BOUND_EQUAL && first == lowerValue;
        case '>':
            return type == BOUND_LOWER && first == lowerValue;
        case '<':
            return type == BOUND_UPPER && first == upperValue;
        case '~':
            return isWeakType(type) && first == lowerValue;
        case '|':
            return type == BOUND_RANGE && nextValue(rest, second) && first == lowerValue &&
                   second == upperValue;
        default:
            return false;
    }
}
