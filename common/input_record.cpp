#include "common/input_record.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "common/counted_text.h"
#include "common/output_file.h"

namespace {

bool isSafeInShell(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("_./:=+,-@%").find(c) != std::string_view::npos;
}

void writeInt64(OutputFile& file, int64_t value) {
    const auto bits = static_cast<uint64_t>(value);
    file.writeInt32(static_cast<int32_t>(static_cast<uint32_t>(bits)));
    file.writeInt32(static_cast<int32_t>(static_cast<uint32_t>(bits >> 32)));
}

bool readText(InputFile& file, std::string& text, ReadResult& result) {
    result = readCountedText(file, text, MAX_RECORD_TEXT);
    return result == ReadResult::OK;
}

bool readInt64(InputFile& file, int64_t& value) {
    int32_t halves[2] = {};
    if (!file.readInt32s(halves, 2)) return false;
    value = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(halves[1])) << 32) |
                                 static_cast<uint32_t>(halves[0]));
    return true;
}

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<const RecordedInput*>& inputs) {
    std::string text;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (i > 0) text += i + 1 == inputs.size() ? " and " : ", ";
        text += inputs[i]->name;
    }
    return text;
}

}  // namespace

std::string shellCommand(std::span<const std::string> words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        if (!word.empty() && std::all_of(word.begin(), word.end(), isSafeInShell)) {
            line += word;
            continue;
        }
        line += '\'';
        for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += '\'';
    }
    return line;
}

std::string workingDirectory() {
    std::string directory(256, '\0');
    for (;;) {
        if (getcwd(directory.data(), directory.size()) != nullptr) {
            directory.resize(directory.find('\0'));
            return directory;
        }
        if (errno != ERANGE || directory.size() > (std::size_t{1} << 20)) return "";
        directory.resize(directory.size() * 2);
    }
}

bool recordInput(InputRecord& record, const std::string& name, std::FILE* file) {
    struct stat info {};
    if (file == nullptr || name.empty() || fstat(fileno(file), &info) != 0) return false;
    RecordedInput input;
    input.name = name;
    if (name.front() == '/') {
        input.path = name;
    } else {
        const std::string directory = workingDirectory();
        if (directory.empty()) return false;
        input.path = directory + (directory.back() == '/' ? "" : "/") + name;
    }
    for (const RecordedInput& recorded : record.inputs) {
        if (recorded.path == input.path) return true;
    }
    input.size = static_cast<int64_t>(info.st_size);
    input.modifiedSeconds = static_cast<int64_t>(info.st_mtim.tv_sec);
    input.modifiedNanoseconds = static_cast<int32_t>(info.st_mtim.tv_nsec);
    try {
        record.inputs.push_back(std::move(input));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool writeInputRecord(const std::string& path, const InputRecord& record) {
    OutputFile file(path);
    if (!file.open()) return false;
    writeCountedText(file, record.command);
    writeCountedText(file, record.directory);
    file.writeInt32(static_cast<int32_t>(record.inputs.size()));
    for (const RecordedInput& input : record.inputs) {
        writeCountedText(file, input.name);
        writeCountedText(file, input.path);
        writeInt64(file, input.size);
        writeInt64(file, input.modifiedSeconds);
        file.writeInt32(input.modifiedNanoseconds);
    }
    return file.commit();
}

ReadResult readInputRecord(InputFile& file, InputRecord& record) {
    record = InputRecord();
    ReadResult result = ReadResult::INVALID;
    try {
        if (!readText(file, record.command, result) || !readText(file, record.directory, result)) {
            return result;
        }
        int32_t count = 0;
        if (!file.readInt32(count)) return ReadResult::INVALID;
        if (count < 0) return ReadResult::NEGATIVE_COUNT;
        if (count > MAX_RECORDED_INPUTS) return ReadResult::INVALID;
        record.inputs.resize(static_cast<std::size_t>(count));
        for (RecordedInput& input : record.inputs) {
            if (!readText(file, input.name, result) || !readText(file, input.path, result)) {
                return result;
            }
            if (!readInt64(file, input.size) || !readInt64(file, input.modifiedSeconds) ||
                !file.readInt32(input.modifiedNanoseconds)) {
                return ReadResult::INVALID;
            }
        }
    } catch (const std::bad_alloc&) {
        record = InputRecord();
        return ReadResult::NO_MEMORY;
    }
    return file.remaining() == 0 ? ReadResult::OK : ReadResult::INVALID;
}

std::vector<const RecordedInput*> changedInputs(const InputRecord& record) {
    std::vector<const RecordedInput*> changed;
    for (const RecordedInput& input : record.inputs) {
        struct stat info {};
        // A file that is gone says nothing: the project may have moved to another machine.
        if (stat(input.path.c_str(), &info) != 0) continue;
        if (static_cast<int64_t>(info.st_size) != input.size ||
            static_cast<int64_t>(info.st_mtim.tv_sec) != input.modifiedSeconds ||
            static_cast<int32_t>(info.st_mtim.tv_nsec) != input.modifiedNanoseconds) {
            changed.push_back(&input);
        }
    }
    return changed;
}

std::string changedInputsWarning(const std::string& project) {
    const std::string path = project + INPUT_RECORD_SUFFIX;
    InputFile file;
    if (!file.open(path)) return "";  // a project of an earlier version, or none at all
    InputRecord record;
    if (readInputRecord(file, record) != ReadResult::OK) {
        return "warning: " + path + " is damaged; whether the files " + project +
               " was made from changed since is not known";
    }
    const std::vector<const RecordedInput*> changed = changedInputs(record);
    if (changed.empty()) return "";
    std::string warning = "warning: " + listed(changed) + " changed after " + project +
                          " was translated; run " + record.command + " again";
    if (!record.directory.empty() && record.directory != workingDirectory()) {
        warning += " in " + record.directory;
    }
    return warning;
}
