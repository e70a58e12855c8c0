#include "qorlex/driver/qorlex_run.h"

#include <cstring>
#include <memory>
#include <new>

#include "common/input_record.h"
#include "qorlex/driver/translation.h"
#include "qorlex/scanner/lex_table.h"

namespace {

// The directory part of a path, up to and including the last '/'; empty without one.
std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void printUsage(std::ostream& out) {
    out << "Aufruf: mqorlex tablefile project\n"
        << "\ttablefile: Filename of table description\n"
        << "\tproject: [Directory\\]Basename of Data Files\n";
}

}  // namespace

int runQorlex(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args[0] == "--help") {
        printUsage(out);
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        out << "qorlex " << QOR_VERSION << "\n";
        return 0;
    }
    if (args.size() < 2) {
        printUsage(out);
        return 1;
    }
    const std::string& tableFile = args[0];
    const std::string& project = args[1];

    // The scanner allocates its state buffer while it is constructed.
    std::unique_ptr<LexTable> table;
    try {
        table = std::make_unique<LexTable>();
    } catch (const std::bad_alloc&) {
        err << "out of dynamic memory in YY_LexTable_CREATE_BUFFER()\n";
        return 1;
    }

    const int scanned = table->scanTableFile(tableFile, directoryOf(tableFile));
    if (scanned == LexTable::CANNOT_OPEN) {
        out << "Cannot open table file " << tableFile << " for reading\n";
        return 1;
    }
    if (scanned == LexTable::FATAL) {
        out.flush();
        err << table->fatalMessage() << "\n";
        return 1;
    }
    // What was read and is allowed but usually a mistake, on lines of their own that leave
    // the messages of standard output as they are.
    out.flush();
    for (const std::string& notice : table->notices()) err << notice << "\n";
    if (scanned != 0) {
        out << "Error in line " << table->lineNumber() << ", block \"" << table->blockName()
            << "\"\nposition \"" << table->positionText() << "\"\nCause: " << errorMessage(scanned)
            << "\n\n";
        // Where and why, beyond the cause.
        if (!table->problem().empty()) {
            out.flush();
            err << table->problem() << "\n";
        }
        return 1;
    }

    InputRecord record = table->inputsRead();
    const std::string command[] = {"qorlex", tableFile, project};
    record.command = shellCommand(command);
    record.directory = workingDirectory();
    const ProjectWrite written = writeProjectFiles(*table, project, tableFile, record);
    table.reset();
    if (written.rows != OK) {
        out << "Error: " << errorMessage(written.rows) << "\n";
        return 1;
    }
    for (const WriteFailure& failure : written.failures) {
        out << "Error: Could not write to " << failure.path << "\n";
        if (failure.systemError != 0) {
            out.flush();
            err << failure.path << ": " << std::strerror(failure.systemError) << "\n";
        }
    }
    const bool writeFailed = !written.failures.empty();
    if (writeFailed) return 1;
    out << "Table description successfully translated\n";
    return 0;
}
