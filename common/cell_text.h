// Text pieces for a project's cells, shared by qordump and qorsolve: numbers, names made safe
// for a terminal or for JSON, and cells by their characteristics.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/project.h"

// The shortest text that reads back as the same double: "12", "0.5", "1e+38"; "inf", "-inf"
// and "nan" for the values that are not finite.
std::string numberText(double value);

// A name for a terminal: printable ASCII and the printable characters of valid UTF-8 as they
// are (a label such as "Zürich"), every other byte as \xNN: control characters, bytes that are
// no UTF-8, and the characters that reorder or hide text (directional marks and overrides).
std::string terminalText(std::string_view bytes);

// A JSON string literal, quotes included, in plain ASCII: every byte outside the printable
// range is escaped as \u00NN, so the string's code points are exactly the name's bytes.
std::string jsonString(std::string_view bytes);

// How names appear inside the texts below.
enum class NameStyle { TERMINAL, RAW };

// Turns cell numbers into characteristics: the label as its user wrote it where the project
// has a names file, else a name where the class has names, else the 1-based number. The cell
// numbers must lie in the table the labels describe.
class CellNamer {
  public:
    CellNamer(const LabelFile& labels, NameStyle style) : labels_(labels), style_(style) {}
    CellNamer(const Project& project, NameStyle style)
        : labels_(project.labels),
          named_(project.hasNames ? &project.names : nullptr),
          style_(style) {}

    // 0-based characteristic index of each class.
    void indices(int32_t cell, std::vector<int32_t>& out) const;
    // The characteristic of class `k` with 0-based index `index`.
    std::string label(std::size_t k, int32_t index) const;
    // "(North, 1)".
    std::string cellText(int32_t cell) const;

  private:
    const LabelFile& labels_;
    const NamesFile* named_ = nullptr;
    NameStyle style_;
};

// The entries of row `row` of a compressed sparse-row record, whose row starts are checked.
template <class Values>
std::span<const Values> rowEntries(const std::vector<Values>& values,
                                   const std::vector<int32_t>& rowStart, std::size_t row) {
    const auto first = static_cast<std::size_t>(rowStart[row]);
    const auto last = static_cast<std::size_t>(rowStart[row + 1]);
    return std::span<const Values>(values.data() + first, last - first);
}
