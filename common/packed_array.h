// Little-endian numbers read in place from the bytes of a file: no copy, no alignment assumed,
// and the same values whatever the host's byte order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <class T>
class PackedArray {
    static_assert(std::is_same_v<T, int32_t> || std::is_same_v<T, double>);
    using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;

  public:
    PackedArray() = default;
    // `bytes` holds `count` numbers of sizeof(T) bytes each and outlives the array.
    PackedArray(const unsigned char* bytes, std::size_t count) : bytes_(bytes), count_(count) {}

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

    // Element `i` < size().
    T operator[](std::size_t i) const {
        Bits bits;
        std::memcpy(&bits, bytes_ + i * sizeof(T), sizeof(T));
        if constexpr (std::endian::native == std::endian::big) bits = swapped(bits);
        return std::bit_cast<T>(bits);
    }
    T front() const { return (*this)[0]; }
    T back() const { return (*this)[count_ - 1]; }

    // True when `test` holds for some element. The elements are tested a block at a time,
    // which lets the compiler test several at once.
    template <class Test>
    bool anyOf(Test test) const {
        constexpr std::size_t BLOCK = 512;
        for (std::size_t start = 0; start < count_; start += BLOCK) {
            const std::size_t end = count_ - start < BLOCK ? count_ : start + BLOCK;
            bool found = false;
            for (std::size_t i = start; i < end; ++i) found |= test((*this)[i]);
            if (found) return true;
        }
        return false;
    }

    // Copies all elements to `out`, which has room for size() of them.
    void copyTo(T* out) const {
        if (count_ == 0) return;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, bytes_, count_ * sizeof(T));
        } else {
            for (std::size_t i = 0; i < count_; ++i) out[i] = (*this)[i];
        }
    }

  private:
    static Bits swapped(Bits bits) {
        Bits result = 0;
        for (std::size_t b = 0; b < sizeof(Bits); ++b, bits >>= 8)
            result = (result << 8) | (bits & 0xff);
        return result;
    }

    const unsigned char* bytes_ = nullptr;
    std::size_t count_ = 0;
};
