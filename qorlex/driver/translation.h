// Translating a table description that another program made (qorimport): the description held
// in memory, the project files written exactly as qorlex writes them.
#pragma once

#include <string>
#include <string_view>

// Why a translation failed, for one line of a message.
struct TranslationProblem {
    int line = 0;       // the line of the description where the scan stopped; 0 for none
    std::string cause;  // qorlex's message and what it adds: the token, where in a base file
};

// Translates the description `text`, whose base files are looked for as qorlex looks for those
// of a description in `directory` (with its final '/', or empty), and writes the project files
// of `project`: the label, binary data, control and class name files, byte for byte as
// `qorlex` writes them for a file of these bytes. True when all were written; otherwise false,
// with `problem` set, and no project file written unless one could not be (whose path the
// cause names).
bool translateDescription(std::string_view text, const std::string& directory,
                          const std::string& project, TranslationProblem& problem);
