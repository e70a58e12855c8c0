// A file written front to back through a large buffer, checked at every step.
//
// Numbers go out little-endian whatever the host's byte order. A file that is not
// committed successfully (a failed write, a failed close, or an early return) is removed,
// so no partial file is ever left behind. Only a regular file is removed: a device or pipe
// that the path names (such as /dev/full) stays where it is. When the path is a symbolic
// link, the file it points to is removed and the link stays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class OutputFile {
  public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates or truncates the file for binary writing. False when it cannot be created.
    bool open();

    void writeBytes(const void* data, std::size_t size);
    void writeText(std::string_view text) { writeBytes(text.data(), text.size()); }
    void writeInt32(int32_t value) { writeInt32s(&value, 1); }
    void writeFloat64(double value) { writeFloat64s(&value, 1); }
    void writeInt32s(const int32_t* values, std::size_t count);
    void writeFloat64s(const double* values, std::size_t count);

    // Room for at least `size` more bytes at the end of the buffer; `commitChars` then
    // takes the number actually used. For formatting numbers in place.
    char* reserveChars(std::size_t size);
    void commitChars(std::size_t used) { buffered_ += used; }

    // Writes what is buffered and closes the file. False (and the file removed) when any
    // write or the close failed.
    bool commit();

    const std::string& path() const { return path_; }

  private:
    void flush();
    void discard();
    void removeFile();

    std::string path_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    bool regular_ = false;     // the opened file is a regular file, which a failure removes
    std::string removalPath_;  // the file a symbolic link at path_ points to; else empty
    std::vector<char> buffer_;
    std::size_t buffered_ = 0;
};
