// A binary file read front to back, every read checked against what is left of it.
//
// Numbers are read little-endian whatever the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Opens `path` for binary reading. nullptr, with errno set, when it cannot be opened or names
// a directory (which the C library opens on Linux; its reads then fail).
std::FILE* openForReading(const std::string& path);

class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens a regular file for binary reading. False, with errno set, when it cannot be opened
    // or is no regular file.
    bool open(const std::string& path);
    void close();

    // Bytes between the read position and the end of the file.
    std::uint64_t remaining() const { return size_ - position_; }

    // Each read is all or nothing: false, and nothing consumed, when the file ends before
    // `count` elements (`size` bytes) or the read fails.
    bool readInt32(int32_t& value) { return readInt32s(&value, 1); }
    bool readInt32s(int32_t* values, std::size_t count);
    bool readFloat64s(double* values, std::size_t count);
    bool readBytes(void* data, std::size_t size);

  private:
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};
