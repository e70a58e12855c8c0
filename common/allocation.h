// Allocation that reports failure instead of aborting the program.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <stdexcept>
#include <vector>

// Gives `v` exactly `n` elements of `value`. False when the memory cannot be had.
template <class T>
bool tryAssign(std::vector<T>& v, std::size_t n, const T& value = T()) {
    try {
        std::vector<T> fresh(n, value);
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
    try {
        v.reserve(n);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}
