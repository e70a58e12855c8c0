// What the fuzz targets and their regression test share: a private scratch directory, the
// base files a table description may name there, and the inputs that are not tried.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz_setup {
// The directory's path in storage that outlives every static object, so that it can still
// be removed at exit.
inline char scratchPath[] = "/tmp/qorfuzz.XXXXXX";
inline void removeScratchDirectory() {
    std::filesystem::remove_all(scratchPath);
}
}  // namespace fuzz_setup

inline const std::string& scratchDirectory() {
    static const std::string directory = [] {
        if (mkdtemp(fuzz_setup::scratchPath) == nullptr) std::abort();
        std::atexit(fuzz_setup::removeScratchDirectory);
        return std::string(fuzz_setup::scratchPath) + "/";
    }();
    return directory;
}

inline void writeScratchFile(const std::string& path, std::string_view data) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file) != data.size())
        std::abort();
    std::fclose(file);
}

// A plain number file and two delimited files for the descriptions to read.
inline void writeBaseFiles(const std::string& directory) {
    std::string numbers;
    for (int i = 0; i < 64; ++i) numbers += std::to_string(i % 7) + (i % 5 == 0 ? "\n" : " ");
    writeScratchFile(directory + "values.txt", numbers);
    writeScratchFile(directory + "data.csv", "1;1;5\n2;1;7.5\r\n1;2;0\nA;b;3\n\n2;2;-1\n3;1;1e3");
    writeScratchFile(directory + "tab.txt", "1\t1\t4\n2\t2\t9\n");
}

// Splits the three files of a project in one input of the project-reading target; the seed
// script joins the files of each example with it.
inline constexpr std::string_view PROJECT_FILE_SEPARATOR = "\n=== qorfuzz file ===\n";

// A table description may carry a base file of its own after PROJECT_FILE_SEPARATOR: it is
// written as "fuzz.dat" in `directory`, for descriptions that name it (ASCII[fuzz.dat],
// DBF[fuzz.dat][;]), so that the readers of base files see the fuzzer's bytes too. Returns
// the description. Without a separator there is no such file, not the one of an earlier input.
inline std::string_view writeOwnBaseFile(const std::string& directory, std::string_view input) {
    const std::size_t end = input.find(PROJECT_FILE_SEPARATOR);
    if (end == std::string_view::npos) {
        std::remove((directory + "fuzz.dat").c_str());
        return input;
    }
    writeScratchFile(directory + "fuzz.dat", input.substr(end + PROJECT_FILE_SEPARATOR.size()));
    return input.substr(0, end);
}

// Writes the label file, the binary data file, the control file and the statement file of
// `project` from one input split at PROJECT_FILE_SEPARATOR; without a second separator there
// is no control file, without a third no statement file. False, with nothing written, for an
// input without any separator.
inline bool writeProjectFiles(const std::string& project, std::string_view input) {
    if (input.find(PROJECT_FILE_SEPARATOR) == std::string_view::npos) return false;
    bool present = true;
    for (const char* suffix : {"-lbl.dat", "-bin.dat", "-ctr.dat", "-stm.dat"}) {
        const std::string path = project + suffix;
        std::remove(path.c_str());
        if (!present) continue;
        const std::size_t end = input.find(PROJECT_FILE_SEPARATOR);
        writeScratchFile(path, input.substr(0, end));
        present = end != std::string_view::npos;
        if (present) input.remove_prefix(end + PROJECT_FILE_SEPARATOR.size());
    }
    return true;
}

// One input of the qorimport target: a base file, and after PROJECT_FILE_SEPARATOR a margin
// file, written as "base.csv" and "margins.csv" in `directory`. Returns qorimport's arguments,
// its options chosen by the input's length, so that every input is tried with several.
inline std::vector<std::string> importArguments(const std::string& directory,
                                                std::string_view input) {
    const std::size_t end = input.find(PROJECT_FILE_SEPARATOR);
    writeScratchFile(directory + "base.csv", input.substr(0, end));
    std::vector<std::string> args;
    if (end != std::string_view::npos) {
        writeScratchFile(directory + "margins.csv",
                         input.substr(end + PROJECT_FILE_SEPARATOR.size()));
        args = {"--margins", directory + "margins.csv"};
    }
    const std::size_t options = input.size() % 16;
    if (options & 1) args.push_back("--decimal-comma");
    if (options & 2) args.insert(args.end(), {"--total", "Total"});
    if (options & 4) args.push_back("--weak");
    if (options & 8) args.insert(args.end(), {"--tolerance", "1%"});
    args.insert(args.end(), {directory + "base.csv", directory + "project"});
    return args;
}

// Device and process files can be endless or block; a description naming them is no
// useful input.
inline bool namesSpecialFiles(std::string_view text) {
    for (std::string_view special : {"/dev", "/proc", "/sys"}) {
        if (text.find(special) != std::string_view::npos) return true;
    }
    return false;
}
