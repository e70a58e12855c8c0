// The input record `<project>-inputs.dat`: the files a project was made from (the table
// description, the base files it read, or whatever a front door read instead), each with its
// absolute path, size and modification time, and the command that makes the project again.
// The program that writes a project writes it last, after removing an earlier one first; the
// programs that read a project compare it with the files as they are now, so that a project
// older than its description is not used without a word.
//
// Layout, int32 little-endian throughout, no padding, nothing after the last input:
//   the command (byte count, bytes), the directory it ran in (byte count, bytes), the input
//   count, and per input: its name as the command gave it (byte count, bytes), its absolute
//   path (byte count, bytes), its size and its modification time in seconds (each as the low
//   and then the high half of an int64) and the nanoseconds of that time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "common/input_file.h"
#include "common/read_result.h"

inline constexpr const char* INPUT_RECORD_SUFFIX = "-inputs.dat";

struct RecordedInput {
    std::string name;  // as the command named it, for messages
    std::string path;  // absolute, for looking at it again
    int64_t size = 0;
    int64_t modifiedSeconds = 0;
    int32_t modifiedNanoseconds = 0;
};

struct InputRecord {
    std::string command;    // one shell line that makes the project again
    std::string directory;  // the absolute directory the command ran in
    std::vector<RecordedInput> inputs;
};

// The command line of `words` for a shell: each word as it is where that is safe, else in
// single quotes.
std::string shellCommand(std::span<const std::string> words);

// The working directory, absolute; empty when the system cannot tell it.
std::string workingDirectory();

// Adds `file`, opened under `name`, as it is now. A file already recorded (by its absolute
// path) is not added again. False, with nothing added, when the system cannot describe it.
bool recordInput(InputRecord& record, const std::string& name, std::FILE* file);

// False (and the file removed) when it cannot be created or written whole.
bool writeInputRecord(const std::string& path, const InputRecord& record);

// Strings of at most MAX_RECORD_TEXT bytes, at most MAX_RECORDED_INPUTS inputs. INVALID also
// for bytes after the last input.
ReadResult readInputRecord(InputFile& file, InputRecord& record);

inline constexpr int32_t MAX_RECORD_TEXT = 1 << 20;
inline constexpr int32_t MAX_RECORDED_INPUTS = 1 << 16;

// The inputs that still exist and differ in size or modification time from the record.
std::vector<const RecordedInput*> changedInputs(const InputRecord& record);

// The warning, without its line end, that the files `project` was made from changed since
// (or that its record is damaged); empty when they did not, or when the project has no
// record. `project` is named as the caller was given it.
std::string changedInputsWarning(const std::string& project);
