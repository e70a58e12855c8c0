// The JSON form: one document, one object per class, cell, row and restriction, each on a line
// of its own. Names are JSON strings whose code points are the name's bytes; numbers that are
// not finite are null. Columns, cells, rows, characteristic indices and restriction numbers
// are counted from 1, as in the readable form.
#include <span>
#include <string>
#include <vector>

#include "common/bound_type.h"
#include "common/cell_text.h"
#include "qordump/dump.h"
#include "qordump/json_writer.h"
#include "qordump/row_text.h"

namespace {

using Layout = JsonWriter::Layout;

void writeEntries(JsonWriter& json, std::span<const int32_t> columns,
                  std::span<const double> coefficients) {
    json.key("entries").beginArray();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        json.beginObject();
        json.key("column").integer(int64_t{columns[i]} + 1);
        json.key("coefficient").number(coefficients[i]);
        json.endObject();
    }
    json.endArray();
}

// "type", "relation", "lower" and "upper" of a row or a declared restriction.
void writeRelation(JsonWriter& json, const Relation& relation) {
    json.key("type").integer(relation.type);
    json.key("relation");
    const std::string_view symbol = relationSymbol(relation.type);
    if (symbol.empty()) {
        json.null();
    } else {
        json.string(symbol);
    }
    json.key("lower").number(relation.lowerValue);
    json.key("upper").number(relation.upperValue);
}

void writeOverview(JsonWriter& json, const Project& project) {
    json.key("files").beginObject();
    json.key("label").string(project.labelPath);
    json.key("binary").string(project.binaryPath);
    json.key("control");
    if (project.hasControl) {
        json.string(project.controlPath);
    } else {
        json.null();
    }
    if (project.hasStatements) json.key("statements").string(project.statementPath);
    if (project.hasNames) json.key("names").string(project.namesPath);
    json.endObject();
    json.key("tableSize").integer(project.cells.tableSize);
    json.key("classes").beginArray(Layout::LINES);
    const auto& classes = project.labels.classes;
    for (std::size_t k = 0; k < classes.size(); ++k) {
        const ClassLabels& labels = classes[k];
        json.beginObject();
        json.key("number").integer(static_cast<int64_t>(k) + 1);
        json.key("name");
        if (k < project.classNames.size()) {
            json.string(project.classNames[k]);
        } else {
            json.null();
        }
        json.key("size").integer(labels.size);
        json.key("named").boolean(labels.named);
        json.key("names");
        if (labels.named) {
            json.beginArray();
            for (int32_t i = 0; i < labels.size; ++i) json.string(labels.name(i));
            json.endArray();
        } else {
            json.null();
        }
        // The labels as written, from the names file.
        if (project.hasNames) {
            const CellNamer namer(project, NameStyle::RAW);
            json.key("label").string(className(project, k));
            json.key("labels").beginArray();
            for (int32_t i = 0; i < labels.size; ++i) json.string(namer.label(k, i));
            json.endArray();
        }
        json.endObject();
    }
    json.endArray();
}

void writeCells(JsonWriter& json, const Project& project) {
    const BaseArrays& cells = project.cells;
    const CellNamer namer(project, NameStyle::RAW);
    std::vector<int32_t> at;
    json.key("cells").beginArray(Layout::LINES);
    for (std::size_t j = 0; j < cells.cellIndex.size(); ++j) {
        namer.indices(cells.cellIndex[j], at);
        json.beginObject();
        json.key("column").integer(static_cast<int64_t>(j) + 1);
        json.key("cell").integer(int64_t{cells.cellIndex[j]} + 1);
        json.key("indices").beginArray();
        for (int32_t index : at) json.integer(int64_t{index} + 1);
        json.endArray();
        json.key("labels").beginArray();
        for (std::size_t k = 0; k < at.size(); ++k) json.string(namer.label(k, at[k]));
        json.endArray();
        json.key("base").number(cells.base[j]);
        json.key("lower").number(cells.lower[j]);
        json.key("upper").number(cells.upper[j]);
        json.endObject();
    }
    json.endArray();
}

void writeText(JsonWriter& json, const Project& project, const CellNamer& namer,
               const Relation& relation, std::span<const int32_t> columns,
               std::span<const double> coefficients) {
    json.key("text").string(rowText(project, namer, relation, columns, coefficients));
}

void writeRows(JsonWriter& json, const Project& project) {
    const CellNamer namer(project, NameStyle::RAW);
    const HardArrays& hard = project.hard;
    json.key("hardRows").beginArray(Layout::LINES);
    for (std::size_t r = 0; r < static_cast<std::size_t>(hard.rowCount); ++r) {
        const auto columns = rowEntries(hard.columnIndex, hard.rowStart, r);
        const auto coefficients = rowEntries(hard.coefficient, hard.rowStart, r);
        const Relation relation{hard.boundType[r], hard.lowerValue[r], hard.upperValue[r]};
        json.beginObject();
        json.key("row").integer(static_cast<int64_t>(r) + 1);
        writeRelation(json, relation);
        writeEntries(json, columns, coefficients);
        writeText(json, project, namer, relation, columns, coefficients);
        json.endObject();
    }
    json.endArray();

    const WeakArrays& weak = project.weak;
    json.key("weakRows").beginArray(Layout::LINES);
    for (std::size_t r = 0; r < static_cast<std::size_t>(weak.rowCount); ++r) {
        const auto columns = rowEntries(weak.columnIndex, weak.rowStart, r);
        const auto coefficients = rowEntries(weak.coefficient, weak.rowStart, r);
        json.beginObject();
        json.key("row").integer(static_cast<int64_t>(r) + 1);
        json.key("target").number(weak.target[r]);
        json.key("weight").number(weak.weight[r]);
        writeEntries(json, columns, coefficients);
        writeText(json, project, namer, {BOUND_WEAK, weak.target[r], weak.target[r]}, columns,
                  coefficients);
        json.endObject();
    }
    json.endArray();

    json.key("restrictions");
    if (!project.hasControl) {
        json.null();
        return;
    }
    const auto& declared = project.control.restrictions;
    const std::vector<Destination> stored = destinations(project);
    json.beginArray(Layout::LINES);
    for (std::size_t i = 0; i < declared.size(); ++i) {
        const DeclaredRestriction& restriction = declared[i];
        const Relation relation{restriction.type, restriction.lowerValue, restriction.upperValue};
        json.beginObject();
        json.key("number").integer(static_cast<int64_t>(i) + 1);
        writeRelation(json, relation);
        json.key("storedAs");
        if (!stored[i].known) {
            json.null();
        } else if (stored[i].kind == StoredAs::HARD_ROW) {
            json.string("hardRow");
        } else if (stored[i].kind == StoredAs::WEAK_ROW) {
            json.string("weakRow");
        } else {
            json.string("cellBound");
        }
        json.key("storedNumber");
        if (stored[i].known) {
            json.integer(stored[i].number);
        } else {
            json.null();
        }
        writeEntries(json, restriction.columns, restriction.coefficients);
        writeText(json, project, namer, relation, restriction.columns, restriction.coefficients);
        if (const std::string_view label = declaredLabel(project, i); !label.empty()) {
            json.key("declared").string(label);
            json.key("source").string(restrictionSource(project, i));
        }
        json.endObject();
    }
    json.endArray();
}

}  // namespace

void printJson(const Project& project, Sections sections, std::ostream& out) {
    JsonWriter json(out);
    json.beginObject(Layout::LINES);
    json.key("project").string(project.name);
    if (sections.overview) writeOverview(json, project);
    if (sections.cells) writeCells(json, project);
    if (sections.rows) writeRows(json, project);
    json.endObject();
    out << "\n";
}
