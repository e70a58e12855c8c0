#include "qorimport/table_names.h"

#include "common/cell_text.h"
#include "qorimport/name_generation.h"

namespace {

// The byte lengths of the names in the order the translator stores them: the classes, then
// each class's characteristics.
std::vector<std::size_t> storeOrder(const TableNames& names) {
    std::vector<std::size_t> lengths;
    for (const std::string& name : names.classes) lengths.push_back(name.size());
    for (const std::vector<std::string>& ofClass : names.characteristics) {
        for (const std::string& name : ofClass) lengths.push_back(name.size());
    }
    return lengths;
}

}  // namespace

TableNames nameTable(const ImportedTable& table, std::vector<ImportMessage>& notes) {
    TableNames names;
    std::vector<std::string> classLabels;
    for (const ImportedClass& named : table.classes) classLabels.push_back(named.label);
    names.classes = uniqueNames(classLabels, 'K');
    for (std::size_t k = 0; k < table.classes.size(); ++k) {
        char initial = names.classes[k][0];
        if (initial >= 'a' && initial <= 'z') initial = static_cast<char>(initial - 'a' + 'A');
        names.characteristics.push_back(uniqueNames(table.classes[k].labels, initial));
    }
    while (!fitNameStore(storeOrder(names))) {
        std::size_t largest = 0;
        std::size_t largestBytes = 0;
        for (std::size_t k = 0; k < names.characteristics.size(); ++k) {
            std::size_t bytes = 0;
            for (const std::string& name : names.characteristics[k]) bytes += name.size() + 1;
            if (bytes > largestBytes) {
                largest = k;
                largestBytes = bytes;
            }
        }
        if (largestBytes == 0) break;  // the class names alone always fit
        names.characteristics[largest].clear();
        const ImportedClass& named = table.classes[largest];
        notes.push_back(ImportMessage{
            table.path, 0,
            terminalText(named.label) + " has " + std::to_string(named.labels.size()) +
                " characteristics, more names than a table description holds; the "
                "description gives them by their numbers 1 to " +
                std::to_string(named.labels.size()) + ", and the names file their labels"});
    }
    return names;
}
