#include "common/project_argument.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/input_file.h"
#include "common/input_record.h"

namespace {

constexpr std::string_view PROJECT_FILE_SUFFIXES[] = {
    "-lbl.dat", "-bin.dat", "-ctr.dat", "-cls.dat", "-stm.dat", "-inputs.dat", "-names.csv"};
constexpr std::string_view RESULT_FILE_SUFFIXES[] = {"-adj.csv", "-rows.csv", "-conflict.csv"};
constexpr std::string_view REPORT_SUFFIX = ".html";
// Directory entries looked at in search of the projects made from a file: enough for the
// folders of a piece of work, and a bound on the time a home directory takes.
constexpr std::size_t MOST_ENTRIES = 20000;
constexpr std::size_t MOST_PROJECTS_NAMED = 3;

// `argument` without the first of `suffixes` it ends in; empty when it ends in none.
template <std::size_t N>
std::string withoutSuffix(const std::string& argument, const std::string_view (&suffixes)[N]) {
    for (const std::string_view suffix : suffixes) {
        if (argument.size() > suffix.size() && argument.ends_with(suffix)) {
            return argument.substr(0, argument.size() - suffix.size());
        }
    }
    return "";
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the file begins as a table description does: after blanks, line ends and comment
// lines, with the keyword of the class block.
bool looksLikeDescription(const std::string& path) {
    std::FILE* file = openForReading(path);
    if (file == nullptr) return false;
    std::string head(4096, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    std::string_view text(head);
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    for (;;) {
        const std::size_t start = text.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos) return false;
        text.remove_prefix(start);
        if (text.front() != '#') break;
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return false;
        text.remove_prefix(end);
    }
    return text.starts_with("KLASS") || text.starts_with("klass");
}

// Whether the input record at `path` names the file `file`.
bool recordNames(const std::filesystem::path& path, const struct stat& file) {
    InputFile recordFile;
    InputRecord record;
    if (!recordFile.open(path.string()) || readInputRecord(recordFile, record) != ReadResult::OK) {
        return false;
    }
    return std::any_of(record.inputs.begin(), record.inputs.end(), [&](const RecordedInput& in) {
        struct stat info {};
        return stat(in.path.c_str(), &info) == 0 && sameFile(info, file);
    });
}

// Adds to `found` the projects in `folder` (written `prefix` in messages), and in the folders
// directly in it while `depth` allows, whose input record names `file`.
void findProjectsMadeFrom(const struct stat& file, const std::filesystem::path& folder,
                          const std::string& prefix, int depth, std::vector<std::string>& found,
                          std::size_t& entriesLeft) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (entriesLeft == 0) return;
        --entriesLeft;
        const std::string name = entries->path().filename().string();
        if (name.size() > std::string_view(INPUT_RECORD_SUFFIX).size() &&
            name.ends_with(INPUT_RECORD_SUFFIX)) {
            if (recordNames(entries->path(), file)) {
                found.push_back(
                    prefix +
                    name.substr(0, name.size() - std::string_view(INPUT_RECORD_SUFFIX).size()));
            }
        } else if (depth > 0 && entries->is_directory(error) && !error) {
            findProjectsMadeFrom(file, entries->path(), prefix + name + "/", depth - 1, found,
                                 entriesLeft);
        }
        error.clear();
    }
}

// "; the project made from it is out/pop", or empty when no record names the file.
std::string projectsMadeFrom(const std::string& argument, const struct stat& file) {
    const std::size_t slash = argument.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : argument.substr(0, slash + 1);
    std::vector<std::string> found;
    std::size_t entriesLeft = MOST_ENTRIES;
    findProjectsMadeFrom(file, directory.empty() ? "." : directory, directory, 1, found,
                         entriesLeft);
    if (!directory.empty()) findProjectsMadeFrom(file, ".", "", 1, found, entriesLeft);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (found.empty()) return "";
    if (found.size() == 1) return "; the project made from it is " + found[0];
    std::string text = "; the projects made from it are ";
    const std::size_t named = std::min(found.size(), MOST_PROJECTS_NAMED);
    for (std::size_t i = 0; i < named; ++i) {
        if (i > 0) text += i + 1 == named && named == found.size() ? " and " : ", ";
        text += found[i];
    }
    if (named < found.size()) text += " and " + std::to_string(found.size() - named) + " more";
    return text;
}

// The project qorlex would best write for the description `path`: its name without the
// folder's path and the extension, next to it.
std::string suggestedProject(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return path + "-project";
    return path.substr(0, dot);
}

}  // namespace

std::string notAProjectReason(const std::string& argument) {
    const std::string expected = "A project name is expected, not the ";
    if (const std::string project = withoutSuffix(argument, PROJECT_FILE_SUFFIXES);
        !project.empty()) {
        return expected + "project file " + argument + "; the project is " + project;
    }
    if (const std::string project = withoutSuffix(argument, RESULT_FILE_SUFFIXES);
        !project.empty()) {
        return expected + "result file " + argument + "; the project is " + project;
    }
    struct stat file {};
    const bool isFile = stat(argument.c_str(), &file) == 0 && S_ISREG(file.st_mode);
    if (argument.size() > REPORT_SUFFIX.size() && argument.ends_with(REPORT_SUFFIX)) {
        const std::string project = argument.substr(0, argument.size() - REPORT_SUFFIX.size());
        struct stat labels {};
        if (stat((project + "-lbl.dat").c_str(), &labels) == 0) {
            return expected + "report " + argument + "; the project is " + project;
        }
        if (isFile) return expected + "report " + argument + "; give the project it reports on";
    }
    if (!isFile) return "";
    const std::string madeFrom = projectsMadeFrom(argument, file);
    if (looksLikeDescription(argument)) {
        if (!madeFrom.empty()) return expected + "table description " + argument + madeFrom;
        const std::string command[] = {"qorlex", argument, suggestedProject(argument)};
        return expected + "table description " + argument +
               "; translate it first: " + shellCommand(command);
    }
    if (!madeFrom.empty()) return expected + "file " + argument + madeFrom;
    return expected + "file " + argument +
           "; qorlex makes a project of a table description: qorlex tablefile project";
}
