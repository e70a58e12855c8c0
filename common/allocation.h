// Allocation that reports failure instead of aborting the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <vector>

// The largest array, in bytes, that tryAssign and tryReserve hand out. Unlimited in the
// programs; tests and fuzzers lower it to make allocation failures happen on purpose.
inline std::size_t allocationLimit = SIZE_MAX;

// Whether an array of `bytes` fits into the memory the program may still use: what the
// system has available, what the memory limits of its control groups leave (so that in a
// container the answer is "no" rather than the OOM killer), and what RLIMIT_AS leaves. A
// request the system would grant on paper but could not back (Linux overcommits) would end
// the program when its pages are touched; large requests are checked first.
bool memoryAvailableFor(std::size_t bytes);

// Asks the system to back a large array with large pages where it can, so that touching it
// the first time costs a fraction of the page faults. Does nothing for small arrays.
void adviseLargePages(const void* data, std::size_t bytes);

// Gives `v` exactly `n` elements of `value`. False when the memory cannot be had.
template <class T>
bool tryAssign(std::vector<T>& v, std::size_t n, const T& value = T()) {
    if (n > allocationLimit / sizeof(T) || !memoryAvailableFor(n * sizeof(T))) return false;
    try {
        std::vector<T> fresh;
        fresh.reserve(n);
        adviseLargePages(fresh.data(), n * sizeof(T));
        fresh.assign(n, value);
        v.swap(fresh);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

// Reserves room for `n` elements of `v`. False when the memory cannot be had.
template <class T>
bool tryReserve(std::vector<T>& v, std::size_t n) {
    if (n > allocationLimit / sizeof(T) || !memoryAvailableFor(n * sizeof(T))) return false;
    try {
        v.reserve(n);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

// Frees the memory of `v`, not only its elements: assigning `{}` empties a vector but keeps
// its memory.
template <class T>
void releaseMemory(std::vector<T>& v) {
    std::vector<T>().swap(v);
}

// An array of zeros whose memory the system hands out untouched: pages that are never written
// are never backed, so a large work array that is used only in part costs only that part.
template <class T>
class ZeroedArray {
    static_assert(std::is_trivial_v<T>);

  public:
    ZeroedArray() = default;
    ~ZeroedArray() { std::free(data_); }
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;

    // Replaces the array by `n` elements whose bytes are all 0. False when the memory cannot
    // be had; the array is then empty.
    bool tryAssign(std::size_t n) {
        release();
        if (n == 0) return true;
        if (n > allocationLimit / sizeof(T) || !memoryAvailableFor(n * sizeof(T))) return false;
        data_ = static_cast<T*>(std::calloc(n, sizeof(T)));
        if (data_ == nullptr) return false;
        size_ = n;
        adviseLargePages(data_, n * sizeof(T));
        return true;
    }
    void release() {
        std::free(data_);
        data_ = nullptr;
        size_ = 0;
    }

    std::size_t size() const { return size_; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

  private:
    T* data_ = nullptr;
    std::size_t size_ = 0;
};
