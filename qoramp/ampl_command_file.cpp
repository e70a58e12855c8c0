// The read commands: each loads its parameters from the number file, going on where the
// previous command stopped.
#include <string_view>

#include "common/output_file.h"
#include "qoramp/ampl_files.h"
#include "qoramp/ampl_parameters.h"

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

}  // namespace

QorampError writeCommandFile(const std::string& path, const std::string& numberFilePath,
                             const AmplProblem& problem) {
    OutputFile file(path);
    if (!file.open()) return QorampError::CANNOT_OPEN;
    for (const AmplParameter& parameter : amplParameters()) {
        if (!isPresent(parameter.read, problem)) continue;
        file.writeText("read ");
        if (!parameter.over.empty()) {
            file.writeText("{j in 1..");
            file.writeText(parameter.over);
            file.writeText("} ");
        }
        file.writeText(parameter.names);
        if (!parameter.over.empty()) file.writeText("[j]");
        file.writeText(" <");
        writePath(file, numberFilePath);
        file.writeText(";\n");
    }
    return file.commit() ? QorampError::OK : QorampError::CANNOT_WRITE;
}
