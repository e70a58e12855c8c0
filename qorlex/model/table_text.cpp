// The table's classes, characteristics and cells as messages name them.
#include <algorithm>
#include <string>
#include <vector>

#include "qorlex/model/base_file.h"
#include "qorlex/model/nearest_names.h"
#include "qorlex/model/table.h"

namespace {

constexpr std::size_t NEAREST_SHOWN = 3;
constexpr std::size_t NAMES_LISTED = 20;

// "a", "a or b", "a, b or c".
std::string alternatives(const std::vector<std::string_view>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
        text += names[i];
    }
    return text;
}

}  // namespace

std::string Table::descriptionPlace() const {
    const std::string line = std::to_string(descriptionLine());
    return descriptionName_.empty() ? "line " + line + ": " : descriptionName_ + ":" + line + ": ";
}

std::string Table::classLabel(int classIndex) const {
    std::string label = "class " + std::to_string(classIndex + 1);
    if (classNames[classIndex] != nullptr)
        label += std::string(" (") + classNames[classIndex] + ")";
    return label;
}

std::string Table::cellText(int64_t cell) const {
    std::vector<std::string> parts(static_cast<std::size_t>(classCount));
    for (int k = classCount - 1; k >= 0; --k) {
        const int32_t size = classSize(k);
        const auto index = static_cast<int32_t>(size > 0 ? cell % size : 0);
        cell = size > 0 ? cell / size : 0;
        const char* name = characteristicName(k, index);
        parts[static_cast<std::size_t>(k)] = name != nullptr ? name : std::to_string(index + 1);
    }
    std::string text = "(";
    for (std::size_t k = 0; k < parts.size(); ++k) text += (k > 0 ? ", " : "") + parts[k];
    return text + ")";
}

std::string Table::nameNotFound(int classIndex, std::string_view name, bool listNames) const {
    std::string text = quotedText(name) + " is not a characteristic of " + classLabel(classIndex);
    // Index items stand in the order of the classes: a name of another class is one in the
    // wrong place.
    for (int k = 0; k < classCount; ++k) {
        if (k != classIndex && findCharacteristic(k, name) >= 0) {
            return text + " but of " + classLabel(k) + "; the index items follow the order of " +
                   "the classes";
        }
    }
    const int32_t size = classSize(classIndex);
    if (!hasCharacteristicNames(classIndex)) {
        return text + ", whose characteristics have no names; give a number from 1 to " +
               std::to_string(size);
    }
    std::vector<std::string_view> names;
    for (int32_t i = 0; i < size; ++i) {
        if (const char* known = characteristicName(classIndex, i)) names.emplace_back(known);
    }
    const std::vector<std::string_view> near = nearestNames(name, names, NEAREST_SHOWN);
    if (!near.empty()) text += "; did you mean " + alternatives(near) + "?";
    if (!listNames) return text;
    text += near.empty() ? "; the names are " : " The names are ";
    const std::size_t listed = std::min(names.size(), NAMES_LISTED);
    for (std::size_t i = 0; i < listed; ++i) text += (i > 0 ? ", " : "") + std::string(names[i]);
    if (names.size() > listed) text += " and " + std::to_string(names.size() - listed) + " more";
    return text;
}
