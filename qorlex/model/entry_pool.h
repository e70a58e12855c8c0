// An array of plain numbers that grows at its end without clearing the room it adds: the
// caller reserves room, writes it, and then takes it into the array. A large array is mapped
// straight from the system and grows by moving its pages to a larger mapping: neither copied
// nor touched again.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "common/allocation.h"

template <class T>
class EntryPool {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    EntryPool() = default;
    ~EntryPool() { release(); }
    EntryPool(const EntryPool&) = delete;
    EntryPool& operator=(const EntryPool&) = delete;

    std::size_t size() const { return size_; }
    const T* data() const { return data_; }

    // Room for `count` more elements behind the last. False when the memory cannot be had;
    // the pool is then unchanged.
    bool reserveMore(std::size_t count) {
        if (count > SIZE_MAX / sizeof(T) - size_) return false;
        const std::size_t needed = size_ + count;
        if (needed <= capacity_) return true;
        std::size_t grown = capacity_ > SIZE_MAX / sizeof(T) / 2 ? needed : 2 * capacity_;
        if (grown < needed) grown = needed;
        if (grown < 1024) grown = 1024;
        if (!growTo(grown) && !growTo(needed)) return false;
        return true;
    }
    // The reserved room, which `take` then adds to the array.
    T* room() { return data_ + size_; }
    void take(std::size_t count) { size_ += count; }  // at most the room reserved
    void truncate(std::size_t count) {
        if (count < size_) size_ = count;
    }
    void clear() {
        release();
        data_ = nullptr;
        size_ = capacity_ = 0;
        mapped_ = false;
    }

  private:
    // From this size on an array is mapped; below it, the allocator's reallocation copies it.
    static constexpr std::size_t MAPPED_BYTES = std::size_t{1} << 20;

    bool growTo(std::size_t capacity) {
        if (capacity > allocationLimit / sizeof(T) || !memoryAvailableFor(capacity * sizeof(T)))
            return false;
        const std::size_t bytes = capacity * sizeof(T);
        void* grown = nullptr;
#ifdef MREMAP_MAYMOVE
        if (bytes >= MAPPED_BYTES) {
            grown =
                mapped_ ? mremap(data_, capacity_ * sizeof(T), bytes, MREMAP_MAYMOVE) : MAP_FAILED;
            if (grown == MAP_FAILED) {
                // A fresh mapping, with the entries copied over.
                grown = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                             -1, 0);
                if (grown == MAP_FAILED) return false;
                if (size_ > 0) std::memcpy(grown, data_, size_ * sizeof(T));
                release();
                mapped_ = true;
#ifdef MADV_HUGEPAGE
                // The whole mapping, so that it stays one piece that can move; the advice
                // moves with it.
                (void)madvise(grown, bytes, MADV_HUGEPAGE);
#endif
            }
        }
#endif
        if (!mapped_) {
            grown = std::realloc(data_, bytes);
            if (grown == nullptr) return false;
            adviseLargePages(grown, bytes);
        }
        data_ = static_cast<T*>(grown);
        capacity_ = capacity;
        return true;
    }

    void release() {
        if (mapped_) {
            munmap(data_, capacity_ * sizeof(T));
        } else {
            std::free(data_);
        }
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool mapped_ = false;  // data_ comes from mmap rather than the allocator
};
