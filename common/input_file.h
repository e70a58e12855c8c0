// A binary file read front to back, every read checked against what is left of it.
//
// The file is mapped into memory when it is opened (or, where it cannot be mapped, read whole),
// so that its numbers can be read in place as well as copied. Numbers are read little-endian
// whatever the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/packed_array.h"

// Opens `path` for binary reading. nullptr, with errno set, when it cannot be opened or names
// a directory (which the C library opens on Linux; its reads then fail).
std::FILE* openForReading(const std::string& path);

class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens a regular file for binary reading, without waiting for a pipe. False, with errno
    // set, when it cannot be opened, is no regular file (EINVAL; EISDIR for a directory), or
    // cannot be held in memory.
    bool open(const std::string& path);
    // Ends every view into the file.
    void close();

    // Bytes between the read position and the end of the file.
    std::uint64_t remaining() const { return size_ - position_; }

    // Each read is all or nothing: false, and nothing consumed, when the file ends before
    // `count` elements (`size` bytes).
    bool readInt32(int32_t& value) { return readInt32s(&value, 1); }
    bool readInt32s(int32_t* values, std::size_t count);
    bool readFloat64s(double* values, std::size_t count);
    bool readBytes(void* data, std::size_t size);

    // The next `count` numbers where they stand in the file, valid until it is closed; false,
    // and nothing consumed, when the file ends before them.
    bool viewInt32s(PackedArray<int32_t>& values, std::size_t count);
    bool viewFloat64s(PackedArray<double>& values, std::size_t count);
    // The bytes left, where they stand in the file, all consumed: for a text file read whole.
    std::string_view viewRest();

  private:
    // The next `size` bytes, consumed; nullptr when fewer are left.
    const unsigned char* take(std::uint64_t size);

    const unsigned char* data_ = nullptr;
    void* mapping_ = nullptr;                // data_ when the file is mapped
    std::unique_ptr<unsigned char[]> copy_;  // data_ when it is read whole instead
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};
