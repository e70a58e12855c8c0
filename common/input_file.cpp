#include "common/input_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

template <class T>
void toHostOrder(T* values, std::size_t count) {
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < count; ++i) {
            unsigned char bytes[sizeof(T)];
            std::memcpy(bytes, &values[i], sizeof(T));
            std::reverse(bytes, bytes + sizeof(T));
            std::memcpy(&values[i], bytes, sizeof(T));
        }
    } else {
        (void)values;
        (void)count;
    }
}

}  // namespace

std::FILE* openForReading(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        std::fclose(file);
        errno = error;
        return nullptr;
    }
    return file;
}

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const std::string& path) {
    close();
    file_ = openForReading(path);
    if (file_ == nullptr) return false;
    struct stat info {};
    if (fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        close();
        errno = EINVAL;  // a device or pipe: its size is not known before it is read
        return false;
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    position_ = 0;
    return true;
}

void InputFile::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
    position_ = 0;
}

bool InputFile::readBytes(void* data, std::size_t size) {
    if (file_ == nullptr || size > remaining()) return false;
    if (size == 0) return true;
    if (std::fread(data, 1, size, file_) != size) {
        position_ = size_;  // a failed read ends the file for every later read
        return false;
    }
    position_ += size;
    return true;
}

bool InputFile::readInt32s(int32_t* values, std::size_t count) {
    if (count > remaining() / sizeof(int32_t)) return false;
    if (!readBytes(values, count * sizeof(int32_t))) return false;
    toHostOrder(values, count);
    return true;
}

bool InputFile::readFloat64s(double* values, std::size_t count) {
    if (count > remaining() / sizeof(double)) return false;
    if (!readBytes(values, count * sizeof(double))) return false;
    toHostOrder(values, count);
    return true;
}
