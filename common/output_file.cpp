#include "common/output_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr std::size_t BUFFER_SIZE = std::size_t{1} << 20;

template <class T>
void storeLittleEndian(char* out, T value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i)
            std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
    }
    std::memcpy(out, bytes, sizeof(T));
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::open() {
    try {
        buffer_.resize(BUFFER_SIZE);
    } catch (const std::bad_alloc&) {
        return false;
    }
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) return false;
    struct stat info {};
    regular_ = fstat(fileno(file_), &info) == 0 && S_ISREG(info.st_mode);
    // Through a symbolic link the data land in the file it points to: that file is the
    // one to remove after a failure, while the link stays.
    struct stat entry {};
    if (regular_ && lstat(path_.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) {
        if (char* resolved = realpath(path_.c_str(), nullptr)) {
            try {
                removalPath_ = resolved;
            } catch (const std::bad_alloc&) {
                removalPath_.clear();
            }
            std::free(resolved);
        }
    }
    return true;
}

void OutputFile::flush() {
    if (buffered_ == 0) return;
    if (!failed_ &&
        (file_ == nullptr || std::fwrite(buffer_.data(), 1, buffered_, file_) != buffered_)) {
        failed_ = true;
    }
    buffered_ = 0;
}

char* OutputFile::reserveChars(std::size_t size) {
    if (buffer_.size() - buffered_ < size) {
        flush();
        if (buffer_.size() < size) {
            try {
                buffer_.resize(size);
            } catch (const std::bad_alloc&) {
                failed_ = true;
                buffer_.resize(BUFFER_SIZE);
                return nullptr;
            }
        }
    }
    return buffer_.data() + buffered_;
}

void OutputFile::writeBytes(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0 && !failed_) {
        if (buffered_ == buffer_.size()) flush();
        std::size_t chunk = std::min(size, buffer_.size() - buffered_);
        if (chunk == 0) {
            failed_ = true;
            break;
        }
        std::memcpy(buffer_.data() + buffered_, bytes, chunk);
        buffered_ += chunk;
        bytes += chunk;
        size -= chunk;
    }
}

void OutputFile::writeInt32s(const int32_t* values, std::size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        writeBytes(values, count * sizeof(int32_t));
    } else {
        char bytes[sizeof(int32_t)];
        for (std::size_t i = 0; i < count; ++i) {
            storeLittleEndian(bytes, values[i]);
            writeBytes(bytes, sizeof bytes);
        }
    }
}

void OutputFile::writeFloat64s(const double* values, std::size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        writeBytes(values, count * sizeof(double));
    } else {
        char bytes[sizeof(double)];
        for (std::size_t i = 0; i < count; ++i) {
            storeLittleEndian(bytes, values[i]);
            writeBytes(bytes, sizeof bytes);
        }
    }
}

bool OutputFile::commit() {
    if (file_ == nullptr) return false;
    flush();
    if (std::fflush(file_) != 0) failed_ = true;
    if (std::ferror(file_)) failed_ = true;
    int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) failed_ = true;
    if (failed_) {
        removeFile();
        return false;
    }
    return true;
}

void OutputFile::discard() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    file_ = nullptr;
    removeFile();
}

void OutputFile::removeFile() {
    if (regular_) std::remove(removalPath_.empty() ? path_.c_str() : removalPath_.c_str());
}
