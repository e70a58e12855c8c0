// The base values as qorimport's own translation reads them, in the form the translator reads
// fastest: a plain number file of every cell in cell order (ASCII[...]) where the table is not
// much larger than its base file, else a delimited file of the characteristics' numbers
// (DBF[...][;]). Either gives the translator the cells of the written base file, so the project
// files are the same; neither has names to look up. The file is temporary, beside the project,
// and removed when the object goes (on an interrupt too).
#pragma once

#include <string>

#include "qorimport/base_table.h"

class TranslationValues {
  public:
    TranslationValues() = default;
    ~TranslationValues();
    TranslationValues(const TranslationValues&) = delete;
    TranslationValues& operator=(const TranslationValues&) = delete;

    // Writes the file beside `project`; false, with the reason in `error`, when it cannot be.
    bool write(const ImportedTable& table, const std::string& project, std::string& error);
    // The BASIS statement that reads it.
    const std::string& statement() const { return statement_; }

  private:
    std::string path_;
    int slot_ = -1;
    std::string statement_;
};
