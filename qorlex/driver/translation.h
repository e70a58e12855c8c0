// Writing the project files of a scanned description, shared by qorlex and by the programs that
// translate a description they made (qorimport): the description held in memory, the project
// files written exactly as qorlex writes them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/input_record.h"
#include "qorlex/model/table.h"

// A project file that could not be created or written whole, with the system's reason (0 where
// none is known).
struct WriteFailure {
    std::string path;
    int systemError = 0;
};

// What writing the project files came to: `rows` is the error of generating the restriction
// arrays (nothing written then), `failures` the files not written, in the order tried.
struct ProjectWrite {
    ErrorCode rows = OK;
    std::vector<WriteFailure> failures;
    bool ok() const { return rows == OK && failures.empty(); }
};

// Generates the rows of `table` and writes the project files of `project`: the class name file,
// the statement file and the input record of an earlier run are removed first, then the label,
// binary data and control files are written, and only when all three are, the class names, the
// statements (as written in the description `descriptionName`) and `record` last, so that none
// of them stands beside the files of another run.
ProjectWrite writeProjectFiles(Table& table, const std::string& project,
                               const std::string& descriptionName, const InputRecord& record);

// Why a translation failed, for one line of a message.
struct TranslationProblem {
    int line = 0;       // the line of the description where the scan stopped; 0 for none
    std::string cause;  // qorlex's message and what it adds: the token, where in a base file
};

// Translates the description `text`, whose base files are looked for as qorlex looks for those
// of a description in `directory` (with its final '/', or empty), and writes the project files
// of `project` (writeProjectFiles), with `record` as its input record: the files the caller read
// and the command that makes the project again. The statements are those of the description
// file `descriptionName`, whose lines `text` keeps. True when all were written; otherwise false,
// with `problem` set, and no project file written unless one could not be (whose path the
// cause names).
bool translateDescription(std::string_view text, const std::string& descriptionName,
                          const std::string& directory, const std::string& project,
                          const InputRecord& record, TranslationProblem& problem);
