#include "qorimport/names_record.h"

#include "qorimport/description_text.h"

namespace {

std::string place(const std::string& file, int64_t line) {
    return file + ":" + std::to_string(line);
}

}  // namespace

NamesFile namesRecord(const ImportOptions& options, const ImportedTable& table,
                      const TableNames& names, const std::vector<Margin>& margins) {
    NamesFile record;
    for (std::size_t k = 0; k < table.classes.size(); ++k) {
        const ImportedClass& imported = table.classes[k];
        NamedClass named;
        named.name = names.classes[k];
        named.label = imported.label;
        named.source = place(table.path, table.headerLine);
        named.characteristics.reserve(imported.labels.size());
        for (int32_t i = 0; i < imported.size(); ++i) {
            const auto at = static_cast<std::size_t>(i);
            named.characteristics.push_back(NamedItem{names.characteristic(k, i),
                                                      imported.labels[at],
                                                      place(table.path, imported.firstLines[at])});
        }
        record.classes.push_back(std::move(named));
    }
    record.restrictions.reserve(margins.size());
    for (const Margin& margin : margins) {
        record.restrictions.push_back(
            NamedItem{restrictionStatement(options, names, margin), margin.declared,
                      place(options.margins[margin.file].path, margin.line)});
    }
    return record;
}
