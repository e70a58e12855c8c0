// Writes buffers to a stream on a thread of its own, one at a time and in order, so that the
// program fills the next buffer while the system copies the last one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

class BackgroundWriter {
  public:
    BackgroundWriter() = default;
    ~BackgroundWriter() { finish(); }
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Starts the thread writing to `file`, with a spare buffer of `bufferSize` bytes. False
    // when the thread or the buffer cannot be had: the caller then writes itself.
    bool start(std::FILE* file, std::size_t bufferSize);
    bool running() const { return thread_.joinable(); }

    // Waits until the buffer handed over before is written, then hands over the first `size`
    // bytes of `buffer` and gives it the spare buffer instead. False when a write has failed.
    bool write(std::vector<char>& buffer, std::size_t size);
    // Waits until everything handed over is written. False when a write has failed.
    bool wait();
    // Waits, then ends the thread. False when a write has failed.
    bool finish();
    // The system's error number of the write that failed; 0 while none has.
    int error() const { return error_; }

  private:
    void run();

    std::FILE* file_ = nullptr;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<char> writing_;  // the buffer the thread writes, or the spare one
    std::size_t pending_ = 0;    // bytes of writing_ still to be written; 0 when idle
    bool stopping_ = false;
    bool failed_ = false;
    int error_ = 0;
};
