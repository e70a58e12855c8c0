#include "qorlex/driver/translation.h"

#include <cstring>
#include <memory>
#include <new>

#include "common/statement_file.h"
#include "qorlex/output/generate_arrays.h"
#include "qorlex/output/project_files.h"
#include "qorlex/scanner/lex_table.h"

ProjectWrite writeProjectFiles(Table& table, const std::string& project,
                               const std::string& descriptionName, const InputRecord& record) {
    ProjectWrite result;
    HardArrays hard;
    WeakArrays weak;
    if (ErrorCode code = generateRows(table, hard, weak)) {
        releaseArrays(hard, weak);
        result.rows = code;
        return result;
    }
    const std::string labelFile = project + "-lbl.dat";
    const std::string binaryFile = project + "-bin.dat";
    const std::string controlFile = project + "-ctr.dat";
    const std::string classNameFile = project + "-cls.dat";
    const std::string statementFile = project + STATEMENT_FILE_SUFFIX;
    const std::string inputRecordFile = project + INPUT_RECORD_SUFFIX;
    int systemError = 0;
    const auto note = [&](ErrorCode code, const std::string& path) {
        if (code != OK) result.failures.push_back(WriteFailure{path, systemError});
        systemError = 0;
    };
    removeEarlierFile(classNameFile);
    removeEarlierFile(statementFile);
    removeEarlierFile(inputRecordFile);
    note(writeLabelFile(table, labelFile, &systemError), labelFile);
    note(writeBinaryDataFile(binaryFile, hard, weak, table, &systemError), binaryFile);
    note(writeControlFile(table, controlFile, &systemError), controlFile);
    releaseArrays(hard, weak);
    if (!result.failures.empty()) return result;
    note(writeClassNames(table, classNameFile), classNameFile);
    if (!result.failures.empty()) return result;
    note(writeStatements(table, descriptionName, statementFile), statementFile);
    if (!result.failures.empty()) return result;
    note(writeInputRecord(inputRecordFile, record) ? OK : CANNOT_OPEN_FOR_WRITING, inputRecordFile);
    return result;
}

bool translateDescription(std::string_view text, const std::string& descriptionName,
                          const std::string& directory, const std::string& project,
                          const InputRecord& record, TranslationProblem& problem) {
    problem = TranslationProblem();
    std::unique_ptr<LexTable> table;
    try {
        table = std::make_unique<LexTable>();
    } catch (const std::bad_alloc&) {
        problem.cause = "out of dynamic memory in YY_LexTable_CREATE_BUFFER()";
        return false;
    }
    const int scanned = table->scanText(text, directory);
    if (scanned == LexTable::FATAL) {
        problem.cause = table->fatalMessage();
        return false;
    }
    if (scanned != 0) {
        problem.line = table->lineNumber();
        problem.cause = std::string(errorMessage(scanned)) + " in block " + table->blockName() +
                        " at \"" + table->positionText() + "\"";
        if (!table->problem().empty()) problem.cause += "; " + table->problem();
        return false;
    }
    const ProjectWrite written = writeProjectFiles(*table, project, descriptionName, record);
    if (written.rows != OK) {
        problem.cause = errorMessage(written.rows);
        return false;
    }
    if (!written.failures.empty()) {
        const WriteFailure& first = written.failures.front();
        problem.cause = "Could not write to " + first.path;
        if (first.systemError != 0)
            problem.cause += ": " + std::string(std::strerror(first.systemError));
        return false;
    }
    return true;
}
