#include "common/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "common/temporary_files.h"

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

std::string followLinks(std::string path) {
    for (int links = 0; links < 40; ++links) {
        struct stat entry {};
        if (lstat(path.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) return path;
        std::string target(static_cast<std::size_t>(entry.st_size) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(length));
        if (target.front() == '/') {
            path = target;
        } else {
            const std::size_t slash = path.rfind('/');
            path =
                (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
        }
    }
    return path;
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::open(Placement placement) {
    try {
        buffer_.resize(BUFFER_SIZE);
        target_ = followLinks(path_);
    } catch (const std::bad_alloc&) {
        fail(ENOMEM);
        return false;
    }
    struct stat info {};
    const bool exists = stat(target_.c_str(), &info) == 0;
    regular_ = !exists || S_ISREG(info.st_mode);
    if (!regular_ && placement == Placement::TEMPORARY) {
        fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        return false;
    }
    // A file the user may not write stays as it is, although its directory would let a new
    // file take its place.
    if (exists && regular_ && access(target_.c_str(), W_OK) != 0) {
        fail(errno);
        return false;
    }
    if (regular_ && openTemporary()) {
        // The new file keeps the permissions of the one it replaces. A file system without
        // permissions refuses this, and the file is still good.
        if (exists) (void)fchmod(fileno(file_), info.st_mode & 07777);
        return true;
    }
    if (placement == Placement::TEMPORARY) {
        fail(errno != 0 ? errno : EINVAL);
        return false;
    }
    // A device or pipe is written in place, and so is a file whose directory takes no
    // temporary file (no permission there, or a name too long for a suffix).
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) {
        fail(errno);
        return false;
    }
    if (fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode)) regular_ = false;
    return true;
}

void OutputFile::fail(int error) {
    if (!failed_ || error_ == 0) error_ = error;
    failed_ = true;
}

bool OutputFile::openTemporary() {
    try {
        temporary_ = target_ + ".tmp-XXXXXX";
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int descriptor = createTemporaryFile(temporary_.data(), temporarySlot_);
    if (descriptor < 0) {
        temporary_.clear();
        return false;
    }
    file_ = fdopen(descriptor, "wb");
    if (file_ == nullptr) {
        // Nothing was written: only the temporary file goes, the target stays.
        ::close(descriptor);
        std::remove(temporary_.c_str());
        releaseTemporaryFile(temporarySlot_);
        temporarySlot_ = -1;
        temporary_.clear();
        return false;
    }
    return true;
}

void OutputFile::flush(bool here) {
    if (!here && buffered_ > 0) {
        if (!failed_ && file_ != nullptr) (void)writer_.start(file_, buffer_.size());
        if (writer_.running()) {
            if (!writer_.write(buffer_, buffered_)) failed_ = true;  // its error comes at the end
            buffered_ = 0;
            return;
        }
    }
    // Whatever is written here comes after all the writing thread was given.
    if (writer_.running() && !writer_.wait()) failed_ = true;
    if (buffered_ == 0) return;
    if (!failed_ &&
        (file_ == nullptr || std::fwrite(buffer_.data(), 1, buffered_, file_) != buffered_)) {
        fail(errno);
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
                fail(ENOMEM);
                buffer_.resize(BUFFER_SIZE);
                return nullptr;
            }
        }
    }
    return buffer_.data() + buffered_;
}

void OutputFile::writeBytes(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    // A block at least as large as the buffer goes out as it stands, without a copy.
    if (size >= buffer_.size() && size > 0) {
        flush(true);
        if (!failed_ && (file_ == nullptr || std::fwrite(bytes, 1, size, file_) != size)) {
            fail(errno);
        }
        return;
    }
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

void OutputFile::writeRepeatedFloat64(double value, std::size_t count) {
    char bytes[sizeof(double)];
    storeLittleEndian(bytes, value);
    while (count > 0 && !failed_) {
        if (buffer_.size() - buffered_ < sizeof bytes) flush();
        const std::size_t chunk = std::min(count, (buffer_.size() - buffered_) / sizeof bytes);
        if (chunk == 0) {
            failed_ = true;
            break;
        }
        char* out = buffer_.data() + buffered_;
        for (std::size_t i = 0; i < chunk; ++i)
            std::memcpy(out + i * sizeof bytes, bytes, sizeof bytes);
        buffered_ += chunk * sizeof bytes;
        count -= chunk;
    }
}

bool OutputFile::finishWriting() {
    if (file_ == nullptr) return false;
    flush(true);
    if (!writer_.finish()) fail(writer_.error());
    if (std::fflush(file_) != 0) fail(errno);
    if (std::ferror(file_)) fail(error_ != 0 ? error_ : EIO);
    int closed = std::fclose(file_);
    if (closed != 0) fail(errno);
    file_ = nullptr;
    if (failed_) {
        removeFiles();
        return false;
    }
    closed_ = true;
    return true;
}

bool OutputFile::putInPlace() {
    if (!closed_) return false;
    closed_ = false;
    if (!temporary_.empty()) {
        if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
            fail(errno);
            removeFiles();
            return false;
        }
        releaseTemporaryFile(temporarySlot_);
        temporarySlot_ = -1;
        temporary_.clear();
    }
    return true;
}

void OutputFile::discard() {
    if (file_ != nullptr) {
        (void)writer_.finish();
        std::fclose(file_);
        file_ = nullptr;
    } else if (!closed_) {
        return;
    }
    closed_ = false;
    removeFiles();
}

void OutputFile::removeFiles() {
    // The target goes too: a failed run leaves no earlier file that could pass for its own.
    if (regular_) std::remove(target_.c_str());
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        releaseTemporaryFile(temporarySlot_);
        temporarySlot_ = -1;
        temporary_.clear();
    }
}
