// What the generators of random table descriptions share: a random source that gives the same
// numbers on every machine, cell references over ranges of the classes, the cells a reference
// selects, and the description written to its file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

class Random {
  public:
    explicit Random(uint64_t seed) : engine_(seed) {}
    // 0 .. n - 1; by hand, since the standard distributions differ between libraries.
    int64_t below(int64_t n) { return static_cast<int64_t>(engine_() % static_cast<uint64_t>(n)); }
    int64_t between(int64_t low, int64_t high) { return low + below(high - low + 1); }
    double uniform(double low, double high) {
        return low + (high - low) * static_cast<double>(engine_() >> 11) * 0x1.0p-53;
    }
    template <class T>
    const T& pick(const std::vector<T>& values) {
        return values[static_cast<size_t>(below(static_cast<int64_t>(values.size())))];
    }

  private:
    std::mt19937_64 engine_;
};

// A cell reference of one term: per class a value ("3"), a range ("2_4") or the whole
// class ("_"), each as the first and last value selected (0-based).
struct Reference {
    std::vector<std::pair<int, int>> range;
    std::string text;
};

// A reference whose classes are each the whole class with a chance of `whole` in ten, one
// value with a chance of `one` in ten, else a range.
inline Reference randomReference(Random& random, const std::vector<int>& sizes, int whole,
                                 int one) {
    Reference r;
    r.text += '(';
    for (size_t k = 0; k < sizes.size(); ++k) {
        const int size = sizes[k], kind = static_cast<int>(random.below(10));
        if (k > 0) r.text += ", ";
        if (kind < whole) {
            r.range.emplace_back(0, size - 1);
            r.text += "_";
        } else if (kind < whole + one) {
            const int v = static_cast<int>(random.below(size));
            r.range.emplace_back(v, v);
            r.text += std::to_string(v + 1);
        } else {
            const int first = static_cast<int>(random.below(size));
            const int last = static_cast<int>(random.between(first, size - 1));
            r.range.emplace_back(first, last);
            r.text += std::to_string(first + 1);
            r.text += '_';
            r.text += std::to_string(last + 1);
        }
    }
    r.text += ")";
    return r;
}

// The cells a reference selects, by their numbers (the last class varying fastest).
inline std::vector<int> selectedCells(const Reference& r, const std::vector<int>& sizes,
                                      int cells) {
    std::vector<int> out;
    for (int c = 0; c < cells; ++c) {
        int rest = c;
        bool in = true;
        for (size_t k = sizes.size(); k-- > 0;) {
            const int v = rest % sizes[k];
            rest /= sizes[k];
            in = in && v >= r.range[k].first && v <= r.range[k].second;
        }
        if (in) out.push_back(c);
    }
    return out;
}

// Writes `text` to DIR/table.txt; false (with the system's message) when it cannot.
inline bool writeDescription(const std::string& dir, const std::string& text) {
    const std::string path = dir + "/table.txt";
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    const bool written = std::fputs(text.c_str(), out) >= 0;
    if (std::fclose(out) != 0 || !written) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}
