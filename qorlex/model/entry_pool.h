// An array of plain numbers that grows at its end without clearing the room it adds: the
// caller reserves room, writes it, and then takes it into the array. A large array grows by
// reallocation, which the system can do by remapping its pages instead of copying them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "common/allocation.h"

template <class T>
class EntryPool {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    EntryPool() = default;
    ~EntryPool() { std::free(data_); }
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
        std::free(data_);
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

  private:
    bool growTo(std::size_t capacity) {
        if (capacity > allocationLimit / sizeof(T) || !memoryAvailableFor(capacity * sizeof(T)))
            return false;
        void* grown = std::realloc(data_, capacity * sizeof(T));
        if (grown == nullptr) return false;
        data_ = static_cast<T*>(grown);
        capacity_ = capacity;
        adviseLargePages(data_, capacity * sizeof(T));
        return true;
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
