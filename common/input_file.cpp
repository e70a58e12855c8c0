#include "common/input_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

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

namespace {

// Reads all `size` bytes of `file` into fresh memory; nullptr, with errno set, when it cannot.
std::unique_ptr<unsigned char[]> readWhole(std::FILE* file, std::size_t size) {
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[size]);
    if (bytes == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    if (std::fread(bytes.get(), 1, size, file) != size) {
        errno = EIO;
        return nullptr;
    }
    return bytes;
}

}  // namespace

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const std::string& path) {
    close();
    // Without waiting: a pipe in the file's place is refused, not waited for.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        const bool directory = S_ISDIR(info.st_mode);
        ::close(descriptor);
        // A device or pipe: its size is not known before it is read.
        errno = directory ? EISDIR : EINVAL;
        return false;
    }
    std::FILE* file = fdopen(descriptor, "rb");
    if (file == nullptr) {
        const int error = errno;
        ::close(descriptor);
        errno = error;
        return false;
    }
    if (static_cast<std::uint64_t>(info.st_size) > SIZE_MAX) {
        std::fclose(file);
        errno = EFBIG;
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    if (size > 0) {
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;  // the file is read through, so its pages are mapped at once
#endif
        void* mapping = mmap(nullptr, size, PROT_READ, flags, fileno(file), 0);
        if (mapping != MAP_FAILED) {
            mapping_ = mapping;
            data_ = static_cast<const unsigned char*>(mapping);
        } else {
            copy_ = readWhole(file, size);
            data_ = copy_.get();
        }
    }
    const int error = errno;
    std::fclose(file);
    if (size > 0 && data_ == nullptr) {
        errno = error;
        return false;
    }
    size_ = size;
    position_ = 0;
    return true;
}

void InputFile::close() {
    if (mapping_ != nullptr) munmap(mapping_, static_cast<std::size_t>(size_));
    mapping_ = nullptr;
    copy_.reset();
    data_ = nullptr;
    size_ = 0;
    position_ = 0;
}

const unsigned char* InputFile::take(std::uint64_t size) {
    if (data_ == nullptr || size > remaining()) return size == 0 ? data_ : nullptr;
    const unsigned char* bytes = data_ + position_;
    position_ += size;
    return bytes;
}

bool InputFile::readBytes(void* data, std::size_t size) {
    if (size == 0) return true;
    const unsigned char* bytes = take(size);
    if (bytes == nullptr) return false;
    std::memcpy(data, bytes, size);
    return true;
}

bool InputFile::viewInt32s(PackedArray<int32_t>& values, std::size_t count) {
    if (count > remaining() / sizeof(int32_t)) return false;
    values = PackedArray<int32_t>(take(count * sizeof(int32_t)), count);
    return true;
}

bool InputFile::viewFloat64s(PackedArray<double>& values, std::size_t count) {
    if (count > remaining() / sizeof(double)) return false;
    values = PackedArray<double>(take(count * sizeof(double)), count);
    return true;
}

std::string_view InputFile::viewRest() {
    const std::uint64_t size = remaining();
    const unsigned char* bytes = take(size);
    if (bytes == nullptr) return {};
    return std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

bool InputFile::readInt32s(int32_t* values, std::size_t count) {
    PackedArray<int32_t> view;
    if (!viewInt32s(view, count)) return false;
    view.copyTo(values);
    return true;
}

bool InputFile::readFloat64s(double* values, std::size_t count) {
    PackedArray<double> view;
    if (!viewFloat64s(view, count)) return false;
    view.copyTo(values);
    return true;
}
