#include "common/background_writer.h"

#include <cerrno>
#include <new>
#include <system_error>

#include "common/allocation.h"

bool BackgroundWriter::start(std::FILE* file, std::size_t bufferSize) {
    if (running()) return true;
    try {
        writing_.resize(bufferSize);
        file_ = file;
        pending_ = 0;
        stopping_ = false;
        failed_ = false;
        error_ = 0;
        thread_ = std::thread(&BackgroundWriter::run, this);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::system_error&) {
    }
    releaseMemory(writing_);
    return false;
}

bool BackgroundWriter::write(std::vector<char>& buffer, std::size_t size) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return pending_ == 0; });
    if (size > 0 && !failed_) {
        writing_.swap(buffer);
        pending_ = size;
        changed_.notify_all();
    }
    return !failed_;
}

bool BackgroundWriter::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return pending_ == 0; });
    return !failed_;
}

bool BackgroundWriter::finish() {
    if (!running()) return true;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return pending_ == 0; });
        stopping_ = true;
        changed_.notify_all();
    }
    thread_.join();
    releaseMemory(writing_);
    return !failed_;
}

void BackgroundWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ > 0 || stopping_; });
        if (pending_ == 0) return;  // stopping, with nothing left
        const std::size_t size = pending_;
        lock.unlock();
        const bool written = std::fwrite(writing_.data(), 1, size, file_) == size;
        const int error = errno;
        lock.lock();
        if (!written) {
            failed_ = true;
            error_ = error;
        }
        pending_ = 0;
        changed_.notify_all();
    }
}
