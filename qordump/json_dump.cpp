// The JSON form: one document, one object per class, cell, row and restriction, each on a line
// of its own. Names are JSON strings whose code points are the name's bytes; numbers that are
// not finite are null. Columns, cells, rows, characteristic indices and restriction numbers
// are counted from 1, as in the readable form.
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "common/bound_type.h"
#include "qordump/cell_text.h"
#include "qordump/dump.h"

namespace {

std::string jsonNumber(double value) {
    return std::isfinite(value) ? numberText(value) : "null";
}

std::string entriesJson(std::span<const int32_t> columns, std::span<const double> coefficients) {
    std::string text = "[";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) text += ", ";
        text += "{\"column\": " + std::to_string(int64_t{columns[i]} + 1) +
                ", \"coefficient\": " + jsonNumber(coefficients[i]) + "}";
    }
    return text + "]";
}

// Prints `count` lines made by `line`, as the members of a JSON array.
template <class Line>
void printArray(std::ostream& out, std::size_t count, Line line) {
    out << "[";
    for (std::size_t i = 0; i < count; ++i) out << (i == 0 ? "\n    " : ",\n    ") << line(i);
    out << (count == 0 ? "]" : "\n  ]");
}

void printOverview(const Project& project, std::ostream& out) {
    out << "  \"files\": {\"label\": " << jsonString(project.labelPath)
        << ", \"binary\": " << jsonString(project.binaryPath) << ", \"control\": "
        << (project.hasControl ? jsonString(project.controlPath) : std::string("null")) << "},\n"
        << "  \"tableSize\": " << project.cells.tableSize << ",\n"
        << "  \"classes\": ";
    const auto& classes = project.labels.classes;
    printArray(out, classes.size(), [&](std::size_t k) {
        const ClassLabels& labels = classes[k];
        std::string text = "{\"number\": " + std::to_string(k + 1) +
                           ", \"size\": " + std::to_string(labels.size) +
                           ", \"named\": " + (labels.named ? "true" : "false") + ", \"names\": ";
        if (!labels.named) return text + "null}";
        text += "[";
        for (int32_t i = 0; i < labels.size; ++i) {
            if (i > 0) text += ", ";
            text += jsonString(labels.name(i));
        }
        return text + "]}";
    });
}

void printCells(const Project& project, std::ostream& out) {
    const BaseArrays& cells = project.cells;
    const CellNamer namer(project.labels, NameStyle::RAW);
    std::vector<int32_t> at;
    out << "  \"cells\": ";
    printArray(out, cells.cellIndex.size(), [&](std::size_t j) {
        namer.indices(cells.cellIndex[j], at);
        std::string indices;
        std::string labels;
        for (std::size_t k = 0; k < at.size(); ++k) {
            if (k > 0) {
                indices += ", ";
                labels += ", ";
            }
            indices += std::to_string(int64_t{at[k]} + 1);
            labels += jsonString(namer.label(k, at[k]));
        }
        return "{\"column\": " + std::to_string(j + 1) +
               ", \"cell\": " + std::to_string(int64_t{cells.cellIndex[j]} + 1) +
               ", \"indices\": [" + indices + "], \"labels\": [" + labels +
               "], \"base\": " + jsonNumber(cells.base[j]) +
               ", \"lower\": " + jsonNumber(cells.lower[j]) +
               ", \"upper\": " + jsonNumber(cells.upper[j]) + "}";
    });
}

std::string relationJson(int32_t type) {
    const std::string_view symbol = relationSymbol(type);
    return symbol.empty() ? "null" : jsonString(symbol);
}

void printRows(const Project& project, std::ostream& out) {
    const CellNamer namer(project.labels, NameStyle::RAW);
    const HardArrays& hard = project.hard;
    out << "  \"hardRows\": ";
    printArray(out, static_cast<std::size_t>(hard.rowCount), [&](std::size_t r) {
        const auto columns = rowEntries(hard.columnIndex, hard.rowStart, r);
        const auto coefficients = rowEntries(hard.coefficient, hard.rowStart, r);
        const Relation relation{hard.boundType[r], hard.lowerValue[r], hard.upperValue[r]};
        return "{\"row\": " + std::to_string(r + 1) +
               ", \"type\": " + std::to_string(relation.type) +
               ", \"relation\": " + relationJson(relation.type) +
               ", \"lower\": " + jsonNumber(relation.lowerValue) +
               ", \"upper\": " + jsonNumber(relation.upperValue) +
               ", \"entries\": " + entriesJson(columns, coefficients) + ", \"text\": " +
               jsonString(rowText(project, namer, relation, columns, coefficients)) + "}";
    });
    out << ",\n";

    const WeakArrays& weak = project.weak;
    out << "  \"weakRows\": ";
    printArray(out, static_cast<std::size_t>(weak.rowCount), [&](std::size_t r) {
        const auto columns = rowEntries(weak.columnIndex, weak.rowStart, r);
        const auto coefficients = rowEntries(weak.coefficient, weak.rowStart, r);
        const Relation relation{BOUND_WEAK, weak.target[r], weak.target[r]};
        return "{\"row\": " + std::to_string(r + 1) +
               ", \"target\": " + jsonNumber(weak.target[r]) +
               ", \"weight\": " + jsonNumber(weak.weight[r]) +
               ", \"entries\": " + entriesJson(columns, coefficients) + ", \"text\": " +
               jsonString(rowText(project, namer, relation, columns, coefficients)) + "}";
    });
    out << ",\n";

    out << "  \"restrictions\": ";
    if (!project.hasControl) {
        out << "null";
        return;
    }
    const auto& declared = project.control.restrictions;
    const std::vector<Destination> stored = destinations(project);
    printArray(out, declared.size(), [&](std::size_t i) {
        const DeclaredRestriction& restriction = declared[i];
        const Relation relation{restriction.type, restriction.lowerValue, restriction.upperValue};
        std::string storedAs = "null";
        if (stored[i].known) {
            switch (stored[i].kind) {
                case StoredAs::HARD_ROW:
                    storedAs = "\"hardRow\"";
                    break;
                case StoredAs::WEAK_ROW:
                    storedAs = "\"weakRow\"";
                    break;
                case StoredAs::CELL_BOUND:
                    storedAs = "\"cellBound\"";
                    break;
            }
        }
        const std::string storedNumber =
            stored[i].known ? std::to_string(stored[i].number) : "null";
        return "{\"number\": " + std::to_string(i + 1) +
               ", \"type\": " + std::to_string(relation.type) +
               ", \"relation\": " + relationJson(relation.type) +
               ", \"lower\": " + jsonNumber(relation.lowerValue) +
               ", \"upper\": " + jsonNumber(relation.upperValue) + ", \"storedAs\": " + storedAs +
               ", \"storedNumber\": " + storedNumber +
               ", \"entries\": " + entriesJson(restriction.columns, restriction.coefficients) +
               ", \"text\": " +
               jsonString(rowText(project, namer, relation, restriction.columns,
                                  restriction.coefficients)) +
               "}";
    });
}

}  // namespace

void printJson(const Project& project, Sections sections, std::ostream& out) {
    out << "{\n  \"project\": " << jsonString(project.name);
    if (sections.overview) {
        out << ",\n";
        printOverview(project, out);
    }
    if (sections.cells) {
        out << ",\n";
        printCells(project, out);
    }
    if (sections.rows) {
        out << ",\n";
        printRows(project, out);
    }
    out << "\n}\n";
}
