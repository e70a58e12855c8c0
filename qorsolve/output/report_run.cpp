#include "qorsolve/output/report_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>

#include "common/bound_type.h"
#include "common/input_file.h"
#include "common/input_record.h"

namespace {

ReportFile fileNow(const std::string& path) {
    ReportFile file;
    file.path = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        file.known = true;
        file.modifiedSeconds = static_cast<int64_t>(info.st_mtim.tv_sec);
    }
    return file;
}

// The files loadProject read: the label and binary data files, and each optional file it
// found and took.
std::vector<ReportFile> projectFiles(const Project& project) {
    std::vector<ReportFile> files;
    files.push_back(fileNow(project.labelPath));
    files.push_back(fileNow(project.binaryPath));
    if (project.hasControl) files.push_back(fileNow(project.controlPath));
    if (!project.classNames.empty()) files.push_back(fileNow(project.classNamePath));
    if (project.hasNames) files.push_back(fileNow(project.namesPath));
    if (project.hasStatements) files.push_back(fileNow(project.statementPath));
    return files;
}

// The inputs of the project's record, with the times recorded when the project was made;
// none where there is no record or it cannot be read.
std::vector<ReportFile> recordedInputs(const Project& project) {
    std::vector<ReportFile> files;
    InputFile file;
    if (!file.open(project.name + INPUT_RECORD_SUFFIX)) return files;
    InputRecord record;
    if (readInputRecord(file, record) != ReadResult::OK) return files;
    const std::vector<const RecordedInput*> changed = changedInputs(record);
    for (const RecordedInput& input : record.inputs) {
        ReportFile recorded;
        recorded.path = input.name;
        recorded.known = true;
        recorded.modifiedSeconds = input.modifiedSeconds;
        recorded.changed = std::find(changed.begin(), changed.end(), &input) != changed.end();
        files.push_back(std::move(recorded));
    }
    return files;
}

}  // namespace

ReportRun reportRun(const Project& project, const SolveSettings& settings, Distance distance) {
    ReportRun run;
    run.wholeNumbers = settings.wholeNumbers();
    const DistanceInfo& words = distanceInfo(distance);
    run.distance = std::string(words.words) + ": " + std::string(words.cellTerm) +
                   " per cell, x its adjusted value and b its base";
    run.objective = "the sum of " + std::string(words.cellTerm) + " over the adjustable cells";
    const std::vector<DeclaredRestriction>& declared = project.control.restrictions;
    const bool weak = std::any_of(declared.begin(), declared.end(), [](const auto& restriction) {
        return isWeakType(restriction.type);
    });
    if (weak && !settings.ignoreWeak) {
        run.objective +=
            ", plus for each weak restriction its weight times (value \u2212 target)\u00b2 / "
            "max(|target|, 1)";
    } else if (weak) {
        run.objective += "; the weak restrictions are ignored";
    }
    run.timeLimit = settings.timeLimit;
    run.workLimit = settings.workLimit;
    run.read = projectFiles(project);
    run.madeFrom = recordedInputs(project);
    run.date =
        reportDate(std::getenv("SOURCE_DATE_EPOCH"), static_cast<int64_t>(std::time(nullptr)));
    run.version = QOR_VERSION;
    return run;
}

int64_t reportDate(const char* sourceDateEpoch, int64_t now) {
    if (sourceDateEpoch == nullptr || *sourceDateEpoch == '\0') return now;
    const std::string_view text = sourceDateEpoch;
    if (text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return now;
    }
    int64_t seconds = 0;
    for (const char c : text) seconds = seconds * 10 + (c - '0');
    return seconds;
}
