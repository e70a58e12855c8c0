// A private directory for the files one fuzzer process writes and reads.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline const std::string& scratchDirectory() {
    static const std::string directory = [] {
        char pattern[] = "/tmp/qorfuzz.XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return std::string(made) + "/";
    }();
    return directory;
}

inline void writeScratchFile(const std::string& path, const uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}
