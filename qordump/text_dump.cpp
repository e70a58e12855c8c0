// The readable form: one block per section, one line per class, cell, row or restriction.
// Columns, cells, rows and characteristics are counted from 1, as in the AMPL files and the
// table description.
#include <algorithm>
#include <array>
#include <iomanip>
#include <span>
#include <string>

#include "common/bound_type.h"
#include "common/cell_text.h"
#include "common/utf8_text.h"
#include "qordump/dump.h"
#include "qordump/row_text.h"

namespace {

std::string countText(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string lowerBoundText(double value) {
    return value <= -NO_BOUND ? "none" : numberText(value);
}
std::string upperBoundText(double value) {
    return value >= NO_BOUND ? "none" : numberText(value);
}

// Width of the numbers 1 to `count`.
int numberWidth(std::size_t count) {
    return static_cast<int>(std::to_string(count).size());
}

void printOverview(const Project& project, std::ostream& out) {
    out << "Project " << terminalText(project.name) << "\n"
        << "  label file: " << terminalText(project.labelPath) << "\n"
        << "  binary data file: " << terminalText(project.binaryPath) << "\n"
        << "  control file: "
        << (project.hasControl ? terminalText(project.controlPath) : std::string("none")) << "\n";
    if (!project.classNames.empty()) {
        out << "  class name file: " << terminalText(project.classNamePath) << "\n";
    }
    if (project.hasStatements) {
        out << "  statement file: " << terminalText(project.statementPath) << "\n";
    }
    if (project.hasNames) out << "  names file: " << terminalText(project.namesPath) << "\n";
    out << "\n";

    const auto& classes = project.labels.classes;
    out << "Classes: " << classes.size() << ", ";
    // A description without a base table leaves the binary data file without a table.
    if (project.cells.tableSize == 0 && project.cells.cellCount == 0) {
        out << "no base table\n";
    } else {
        out << "a table of "
            << countText(static_cast<std::size_t>(project.cells.tableSize), "cell", "cells")
            << "\n";
    }
    const int width = numberWidth(classes.size());
    for (std::size_t k = 0; k < classes.size(); ++k) {
        const ClassLabels& labels = classes[k];
        out << "  " << std::setw(width) << k + 1 << ": ";
        // With a names file the labels as written, each with its name in the description
        // where that differs.
        const auto withName = [&](const std::string& label, const std::string& name) {
            const std::string shown = terminalText(label);
            return name == label ? shown : shown + " [" + terminalText(name) + "]";
        };
        if (project.hasNames) {
            out << withName(className(project, k),
                            k < project.classNames.size() ? project.classNames[k] : "")
                << ", ";
        } else if (k < project.classNames.size()) {
            out << terminalText(project.classNames[k]) << ", ";
        }
        out << countText(static_cast<std::size_t>(labels.size), "characteristic",
                         "characteristics");
        if (!labels.named && !project.hasNames) {
            out << ", unnamed\n";
            continue;
        }
        out << ":";
        for (int32_t i = 0; i < labels.size; ++i) {
            out << (i == 0 ? " " : ", ");
            if (project.hasNames) {
                const NamedItem& item =
                    project.names.classes[k].characteristics[static_cast<std::size_t>(i)];
                out << withName(item.label, item.name);
            } else {
                out << terminalText(labels.name(i));
            }
        }
        out << "\n";
    }
}

void printCells(const Project& project, std::ostream& out) {
    const BaseArrays& cells = project.cells;
    const CellNamer namer(project, NameStyle::TERMINAL);
    const std::size_t n = cells.cellIndex.size();
    out << "Cells: " << n << " adjustable\n";
    if (n == 0) return;
    // The fields of one line; the first pass measures them, the second prints them.
    const auto fields = [&](std::size_t j) {
        return std::array<std::string, 6>{std::to_string(j + 1),
                                          std::to_string(int64_t{cells.cellIndex[j]} + 1),
                                          namer.cellText(cells.cellIndex[j]),
                                          numberText(cells.base[j]),
                                          lowerBoundText(cells.lower[j]),
                                          upperBoundText(cells.upper[j])};
    };
    std::array<std::size_t, 6> width{};
    const std::array<std::string, 6> heading{"column", "cell",  "characteristics",
                                             "base",   "lower", "upper"};
    // Widths in characters: a label such as "Zürich" takes more bytes than it shows.
    for (std::size_t i = 0; i < 6; ++i) width[i] = heading[i].size();
    for (std::size_t j = 0; j < n; ++j) {
        const auto line = fields(j);
        for (std::size_t i = 0; i < 6; ++i) width[i] = std::max(width[i], charCount(line[i]));
    }
    const auto print = [&](const std::array<std::string, 6>& line) {
        for (std::size_t i = 0; i < 6; ++i) {
            const std::string padding(width[i] - charCount(line[i]), ' ');
            // The characteristics read from the left, the numbers from the right.
            out << "  " << (i == 2 ? line[i] + padding : padding + line[i]);
        }
        out << "\n";
    };
    // The heading's last field is not padded on the right, so no line ends in blanks.
    print(heading);
    for (std::size_t j = 0; j < n; ++j) print(fields(j));
}

void printRows(const Project& project, std::ostream& out) {
    const CellNamer namer(project, NameStyle::TERMINAL);
    const HardArrays& hard = project.hard;
    const auto m = static_cast<std::size_t>(hard.rowCount);
    out << "Hard rows: " << m << "\n";
    for (std::size_t r = 0; r < m; ++r) {
        const Relation relation{hard.boundType[r], hard.lowerValue[r], hard.upperValue[r]};
        out << "  " << std::setw(numberWidth(m)) << r + 1 << ": "
            << rowText(project, namer, relation, rowEntries(hard.columnIndex, hard.rowStart, r),
                       rowEntries(hard.coefficient, hard.rowStart, r))
            << "\n";
    }
    out << "\n";

    const WeakArrays& weak = project.weak;
    const auto m2 = static_cast<std::size_t>(weak.rowCount);
    out << "Weak rows: " << m2 << "\n";
    for (std::size_t r = 0; r < m2; ++r) {
        const Relation relation{BOUND_WEAK, weak.target[r], weak.target[r]};
        out << "  " << std::setw(numberWidth(m2)) << r + 1 << ": "
            << rowText(project, namer, relation, rowEntries(weak.columnIndex, weak.rowStart, r),
                       rowEntries(weak.coefficient, weak.rowStart, r))
            << ", weight " << numberText(weak.weight[r]) << "\n";
    }
    out << "\n";

    if (!project.hasControl) {
        out << "Declared restrictions: no control file\n";
        return;
    }
    const auto& declared = project.control.restrictions;
    const std::vector<Destination> stored = destinations(project);
    out << "Declared restrictions: " << declared.size() << "\n";
    for (std::size_t i = 0; i < declared.size(); ++i) {
        const DeclaredRestriction& restriction = declared[i];
        out << "  " << std::setw(numberWidth(declared.size())) << i + 1 << ": ";
        if (stored[i].known) {
            switch (stored[i].kind) {
                case StoredAs::HARD_ROW:
                    out << "hard row " << stored[i].number << ": ";
                    break;
                case StoredAs::WEAK_ROW:
                    out << "weak row " << stored[i].number << ": ";
                    break;
                case StoredAs::CELL_BOUND:
                    out << "bound of column " << stored[i].number << ": ";
                    break;
            }
        }
        const Relation relation{restriction.type, restriction.lowerValue, restriction.upperValue};
        out << rowText(project, namer, relation, restriction.columns, restriction.coefficients)
            << "\n";
        // Below it, as its source states it: "persons.txt:12: (_, 1) + (_, 2) > 50".
        const std::string_view source = restrictionSource(project, i);
        const std::string_view label = declaredLabel(project, i);
        if (!source.empty() || !label.empty()) {
            out << std::string(4 + static_cast<std::size_t>(numberWidth(declared.size())), ' ')
                << terminalText(source) << (source.empty() ? "" : ": ") << terminalText(label)
                << "\n";
        }
    }
}

}  // namespace

void printText(const Project& project, Sections sections, std::ostream& out) {
    // A blank line between sections, none after the last.
    const char* separator = "";
    if (sections.overview) {
        printOverview(project, out);
        separator = "\n";
    }
    if (sections.cells) {
        out << separator;
        printCells(project, out);
        separator = "\n";
    }
    if (sections.rows) {
        out << separator;
        printRows(project, out);
    }
}
