#include "qorlex/driver/translation.h"

#include <memory>
#include <new>

#include "qorlex/output/generate_arrays.h"
#include "qorlex/output/project_files.h"
#include "qorlex/scanner/lex_table.h"

bool translateDescription(std::string_view text, const std::string& directory,
                          const std::string& project, TranslationProblem& problem) {
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
        if (!table->baseFileProblem().empty()) problem.cause += "; " + table->baseFileProblem();
        return false;
    }
    HardArrays hard;
    WeakArrays weak;
    if (ErrorCode code = generateRows(*table, hard, weak)) {
        problem.cause = errorMessage(code);
        releaseArrays(hard, weak);
        return false;
    }
    // As qorlex writes them: the class names of an earlier run go first, the new ones last.
    const std::string labelFile = project + "-lbl.dat";
    const std::string binaryFile = project + "-bin.dat";
    const std::string controlFile = project + "-ctr.dat";
    const std::string classNameFile = project + "-cls.dat";
    const auto failed = [&](ErrorCode code, const std::string& path) {
        if (code == OK) return false;
        if (problem.cause.empty()) problem.cause = "Could not write to " + path;
        return true;
    };
    removeClassNameFile(classNameFile);
    bool writeFailed = failed(writeLabelFile(*table, labelFile), labelFile);
    writeFailed |= failed(writeBinaryDataFile(binaryFile, hard, weak, *table), binaryFile);
    writeFailed |= failed(writeControlFile(*table, controlFile), controlFile);
    if (!writeFailed) {
        writeFailed = failed(writeClassNames(*table, classNameFile), classNameFile);
    }
    releaseArrays(hard, weak);
    return !writeFailed;
}
