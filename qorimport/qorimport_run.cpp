#include "qorimport/qorimport_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/file_head.h"
#include "common/input_record.h"
#include "common/names_file.h"
#include "common/result_set.h"
#include "qorimport/base_table.h"
#include "qorimport/description_text.h"
#include "qorimport/import_error.h"
#include "qorimport/import_options.h"
#include "qorimport/margins.h"
#include "qorimport/names_record.h"
#include "qorimport/table_names.h"
#include "qorimport/translation_values.h"
#include "qorlex/driver/translation.h"

namespace {

// Longer than the first line of any file qorimport writes.
constexpr std::size_t HEAD_SIZE = 4096;

// The files of one import: its own three, and the project files the translator writes.
struct ImportPaths {
    std::string description;
    std::string baseFile;
    std::string namesFile;
    std::vector<std::string> projectFiles;

    explicit ImportPaths(const std::string& project)
        : description(project + "-table.txt"),
          baseFile(project + "-base.csv"),
          namesFile(project + "-names.csv"),
          projectFiles{project + "-lbl.dat", project + "-bin.dat", project + "-ctr.dat",
                       project + "-cls.dat", project + "-stm.dat"} {}
};

std::string fileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The first line of the file at `path`, without its line end; `exists` false for nothing (or
// an empty file) there. False, with `error` set, when it cannot be read.
bool firstLine(const std::string& path, bool& exists, std::string& line, ImportMessage& error) {
    const FileHead head = readFileHead(path, HEAD_SIZE);
    exists = head.state != FileAtPath::NONE;
    if (head.state == FileAtPath::UNREADABLE) {
        error = ImportMessage{
            "", 0,
            "Could not read file " + path + ": " + std::strerror(head.error) + "; not overwritten"};
        return false;
    }
    line = head.head.substr(0, head.head.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

ImportMessage notOurs(const std::string& path) {
    return ImportMessage{"", 0, path + " was not written by qorimport; not overwritten"};
}

// qorimport replaces only its own earlier files: a description that begins with its comment
// line, a names file that begins with its header, and the base file beside a description of
// its own. `earlierNames` tells whether a names file of its own is there.
bool mayReplace(const ImportPaths& paths, bool& earlierNames, ImportMessage& error) {
    bool exists = false;
    std::string line;
    if (!firstLine(paths.description, exists, line, error)) return false;
    const bool description = exists;
    if (exists && !line.starts_with(DESCRIPTION_FIRST_LINE)) {
        error = notOurs(paths.description);
        return false;
    }
    if (!firstLine(paths.baseFile, exists, line, error)) return false;
    if (exists && !description) {
        error = notOurs(paths.baseFile);
        return false;
    }
    if (!firstLine(paths.namesFile, exists, line, error)) return false;
    if (exists && !isNamesFileHeader(line)) {
        error = notOurs(paths.namesFile);
        return false;
    }
    earlierNames = exists;
    return true;
}

// An input file that the import would write over.
bool inputsApart(const ImportOptions& options, const ImportPaths& paths, ImportMessage& error) {
    std::vector<std::string> outputs = paths.projectFiles;
    outputs.insert(outputs.end(), {paths.description, paths.baseFile, paths.namesFile});
    std::vector<std::string> inputs{options.basePath};
    for (const MarginSource& source : options.margins) {
        for (const std::string& input : inputs) {
            if (isSameFile(input, source.path)) {
                error =
                    ImportMessage{"", 0, source.path + " is given twice; each file is read once"};
                return false;
            }
        }
        inputs.push_back(source.path);
    }
    for (const std::string& input : inputs) {
        for (const std::string& output : outputs) {
            if (isSameFile(input, output)) {
                error = ImportMessage{"", 0,
                                      input + " would be written over as " + output +
                                          "; give the project another name"};
                return false;
            }
        }
    }
    return true;
}

std::string writeFailure(const ResultSet& results, const char* verb) {
    return std::string("Could not ") + verb + " " + results.failedPath() +
           (results.failedError() != 0 ? std::string(": ") + std::strerror(results.failedError())
                                       : std::string());
}

// The three files of qorimport's own, written whole under temporary names; then the project
// files from the description, and only when they are written do the three take their names.
bool writeProject(const ImportOptions& options, ImportedTable& table, std::vector<Margin>& margins,
                  const TableNames& names, const ImportPaths& paths, bool earlierNames,
                  const InputRecord& record, ImportMessage& error) {
    ResultSet results;
    OutputFile* base = results.add(paths.baseFile);
    OutputFile* description = base != nullptr ? results.add(paths.description) : nullptr;
    OutputFile* namesFile = description != nullptr ? results.add(paths.namesFile) : nullptr;
    if (namesFile == nullptr) {
        error = ImportMessage{"", 0, writeFailure(results, "open file")};
        return false;
    }
    writeBaseFile(*base, table, names);
    description->writeText(descriptionText(options, table, names, margins,
                                           "DBF[" + fileName(paths.baseFile) + "][;]",
                                           fileName(paths.namesFile)));
    writeNamesFile(*namesFile, namesRecord(options, table, names, margins));
    if (!results.finishWriting()) {
        error = ImportMessage{"", 0, writeFailure(results, "write to")};
        return false;
    }
    // The description translated is the one written but for its BASIS statement, which reads
    // the same cells from a file without names to look up.
    TranslationValues values;
    std::string problemText;
    if (!values.write(table, options.project, problemText)) {
        error = ImportMessage{"", 0, problemText};
        return false;
    }
    const std::string text = descriptionText(options, table, names, margins, values.statement(),
                                             fileName(paths.namesFile));
    table = ImportedTable();
    margins.clear();
    margins.shrink_to_fit();
    // Labels of an earlier import never stand beside the project files of this one.
    if (earlierNames) std::remove(paths.namesFile.c_str());
    TranslationProblem problem;
    if (!translateDescription(text, paths.description, directoryOf(paths.description),
                              options.project, record, problem)) {
        error =
            ImportMessage{problem.line > 0 ? paths.description : "", problem.line, problem.cause};
        return false;
    }
    if (!results.putInPlace()) {
        error = ImportMessage{"", 0, writeFailure(results, "write to")};
        return false;
    }
    return true;
}

// The files read and the command that reads them again, for the warning that a project is
// older than its files. A file the system cannot describe now is left out of the record.
InputRecord inputRecord(const std::vector<std::string>& args, const ImportOptions& options) {
    InputRecord record;
    std::vector<std::string> command{"qorimport"};
    command.insert(command.end(), args.begin(), args.end());
    record.command = shellCommand(command);
    record.directory = workingDirectory();
    std::vector<std::string> inputs{options.basePath};
    for (const MarginSource& source : options.margins) inputs.push_back(source.path);
    for (const std::string& input : inputs) {
        if (std::FILE* file = std::fopen(input.c_str(), "rb")) {
            recordInput(record, input, file);
            std::fclose(file);
        }
    }
    return record;
}

int fail(const ImportMessage& error, std::ostream& out) {
    out << errorLine(error);
    return 1;
}

}  // namespace

int runQorimport(const std::vector<std::string>& args, std::ostream& out) {
    ImportOptions options;
    std::string problem;
    bool usage = false;
    if (!parseImportOptions(args, options, problem, usage)) {
        out << "Error: " << problem << "\n";
        if (usage) printImportUsage(out);
        return 1;
    }
    if (options.help) {
        printImportUsage(out);
        return 0;
    }
    if (options.version) {
        out << "qorimport " << QOR_VERSION << "\n";
        return 0;
    }
    if (options.project.empty() || options.project.back() == '/' ||
        options.project.find(']') != std::string::npos) {
        return fail({"", 0,
                     "the project " + options.project +
                         " must be a name, with no ']', which a table description "
                         "cannot name a file by"},
                    out);
    }
    const ImportPaths paths(options.project);
    ImportMessage error;
    if (!inputsApart(options, paths, error)) return fail(error, out);

    ImportedTable table;
    std::vector<ImportMessage> notes;
    std::vector<Margin> margins;
    const bool read = readBaseTable(options, table, notes, error) &&
                      readMargins(options, table, margins, notes, error);
    for (const ImportMessage& note : notes) out << noteLine(note);
    if (!read) return fail(error, out);
    notes.clear();
    const TableNames names = nameTable(table, notes);
    for (const ImportMessage& note : notes) out << noteLine(note);

    bool earlierNames = false;
    if (!mayReplace(paths, earlierNames, error)) return fail(error, out);
    const std::size_t classes = table.classes.size();
    const std::size_t cells = table.cellCount();
    const std::size_t restrictions = margins.size();
    const InputRecord record = inputRecord(args, options);
    if (!writeProject(options, table, margins, names, paths, earlierNames, record, error)) {
        return fail(error, out);
    }
    out << "Read " << classes << (classes == 1 ? " class and " : " classes and ") << cells
        << (cells == 1 ? " cell" : " cells") << " from " << options.basePath << ", " << restrictions
        << (restrictions == 1 ? " margin" : " margins") << " from " << options.margins.size()
        << (options.margins.size() == 1 ? " file" : " files") << "\n"
        << "Wrote " << paths.description << ", " << paths.baseFile << ", " << paths.namesFile
        << " and the project files; adjust the table with: qorsolve " << options.project << "\n";
    return 0;
}
