// The read commands: each loads its parameters from the number file, going on where the
// previous command stopped.
#include <string_view>

#include "common/output_file.h"
#include "qoramp/ampl_files.h"

namespace {

// AMPL takes a file name bare unless it holds a blank, a control character, ';', a quote or
// '#', which would begin a comment (or is empty); then it must be a string literal, in which
// '"' is written twice.
bool needsQuotes(std::string_view path) {
    if (path.empty()) return true;
    for (char c : path) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte == ' ' || byte < 0x20 || byte == 0x7f || c == ';' || c == '"' || c == '\'' ||
            c == '#') {
            return true;
        }
    }
    return false;
}

void writePath(OutputFile& file, std::string_view path) {
    if (!needsQuotes(path)) {
        file.writeText(path);
        return;
    }
    file.writeText("\"");
    std::size_t from = 0;
    for (std::size_t quote = path.find('"'); quote != std::string_view::npos;
         quote = path.find('"', quote + 1)) {
        file.writeText(path.substr(from, quote + 1 - from));
        file.writeText("\"");
        from = quote + 1;
    }
    file.writeText(path.substr(from));
    file.writeText("\"");
}

void writeRead(OutputFile& file, std::string_view what, std::string_view numberFilePath) {
    file.writeText("read ");
    file.writeText(what);
    file.writeText(" <");
    writePath(file, numberFilePath);
    file.writeText(";\n");
}

}  // namespace

WriteResult writeCommandFile(const std::string& path, const std::string& numberFilePath,
                             const AmplProblem& problem) {
    OutputFile file(path);
    if (!file.open()) return WriteResult::CANNOT_CREATE;
    const RowLists& rows = problem.rows;
    const bool restricted = rows.hasRestrictions();

    writeRead(file, "COLS, ROWS, NNZ", numberFilePath);
    writeRead(file, "{j in 1..COLS} base[j]", numberFilePath);
    writeRead(file, "{j in 1..COLS} lbv[j]", numberFilePath);
    writeRead(file, "{j in 1..COLS} ubv[j]", numberFilePath);
    if (restricted) {
        writeRead(file, "{j in 1..ROWS} rght[j]", numberFilePath);
        writeRead(file, "{j in 1..ROWS} start[j]", numberFilePath);
        writeRead(file, "{j in 1..ROWS} length[j]", numberFilePath);
        writeRead(file, "{j in 1..NNZ} colind[j]", numberFilePath);
        if (problem.weighted) writeRead(file, "{j in 1..NNZ} coef[j]", numberFilePath);
        writeRead(file, "NEQ, NLO, NUP", numberFilePath);
        if (!rows.eq.empty()) writeRead(file, "{j in 1..NEQ} eq[j]", numberFilePath);
        if (!rows.lo.empty()) writeRead(file, "{j in 1..NLO} lo[j]", numberFilePath);
        if (!rows.up.empty()) writeRead(file, "{j in 1..NUP} up[j]", numberFilePath);
    }
    return file.commit() ? WriteResult::OK : WriteResult::CANNOT_WRITE;
}
