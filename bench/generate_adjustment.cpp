// Writes an adjustment benchmark: a table description whose margins force a real adjustment
// and still admit a whole-number table.
//
//   generate_adjustment DIR ORDER [CHANGE] S1 S2 ... Sk
//
// Classes of the given sizes; the base has one decimal (1.0 to 100.0). A whole-number table
// near the base (each cell moved by up to 10 %, rounded) gives the margins: every margin of 1
// to ORDER classes, as an equality restriction. That table meets them all, so a whole-number
// adjustment exists, while the base does not meet them. A CHANGE other than 0 (written as
// "+N" or "-N") moves the first margin of ORDER classes by that many units: the margins then
// cannot all hold, not even with real numbers.
//
// The description is DIR/table.txt, the base DIR/base.txt. A fixed seed makes every run
// write the same files.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// "(_, 3, _)" for the 0-based fixed indices; -1 is the whole class.
std::string reference(const std::vector<int>& fixed) {
    std::string text = "(";
    for (size_t k = 0; k < fixed.size(); ++k) {
        if (k > 0) text += ", ";
        text += fixed[k] < 0 ? "_" : std::to_string(fixed[k] + 1);
    }
    return text + ")";
}

bool fail(const std::string& what) {
    std::perror(what.c_str());
    return false;
}

bool generate(const std::string& dir, int order, long change, const std::vector<int>& sizes) {
    const size_t k = sizes.size();
    int64_t cells = 1;
    for (int size : sizes) cells *= size;
    std::mt19937_64 random(1211);
    std::uniform_int_distribution<int> tenths(10, 1000);
    std::uniform_real_distribution<double> shift(-0.1, 0.1);
    std::vector<int64_t> table(static_cast<size_t>(cells));
    std::FILE* base = std::fopen((dir + "/base.txt").c_str(), "w");
    if (base == nullptr) return fail(dir + "/base.txt");
    for (int64_t c = 0; c < cells; ++c) {
        double b = tenths(random) / 10.0;
        table[c] = static_cast<int64_t>(std::llround(b * (1.0 + shift(random))));
        std::fprintf(base, "%.1f%c", b, c % 10 == 9 ? '\n' : ' ');
    }
    if (std::fclose(base) != 0) return fail(dir + "/base.txt");

    std::FILE* out = std::fopen((dir + "/table.txt").c_str(), "w");
    if (out == nullptr) return fail(dir + "/table.txt");
    std::fprintf(out, "KLASSEN\n   %zu;\nAUSPRAEGUNGEN\n", k);
    for (size_t a = 0; a < k; ++a) std::fprintf(out, "   %zu = %d;\n", a + 1, sizes[a]);
    std::fprintf(out, "BASIS\n   ASCII[base.txt]\nRESTRIKTIONEN\n");
    // Every subset of 1 to `order` classes, by its bit mask; each margin of the subset sums
    // the cells that agree with it on the subset's classes.
    bool changed = change == 0;
    for (int size = 1; size <= order; ++size) {
        for (uint32_t mask = 1; mask < (1u << k); ++mask) {
            if (__builtin_popcount(mask) != size) continue;
            int64_t margins = 1;
            for (size_t a = 0; a < k; ++a) {
                if (mask & (1u << a)) margins *= sizes[a];
            }
            std::vector<int64_t> sum(static_cast<size_t>(margins), 0);
            std::vector<int> index(k);
            for (int64_t c = 0; c < cells; ++c) {
                int64_t rest = c, m = 0;
                for (size_t a = k; a-- > 0;) {
                    index[a] = static_cast<int>(rest % sizes[a]);
                    rest /= sizes[a];
                }
                for (size_t a = 0; a < k; ++a) {
                    if (mask & (1u << a)) m = m * sizes[a] + index[a];
                }
                sum[m] += table[c];
            }
            for (int64_t m = 0; m < margins; ++m) {
                std::vector<int> fixed(k, -1);
                int64_t rest = m;
                for (size_t a = k; a-- > 0;) {
                    if (!(mask & (1u << a))) continue;
                    fixed[a] = static_cast<int>(rest % sizes[a]);
                    rest /= sizes[a];
                }
                int64_t value = sum[m];
                if (!changed && size == order) {
                    value += change;
                    changed = true;
                }
                std::fprintf(out, "   %s = %lld;\n", reference(fixed).c_str(),
                             static_cast<long long>(value));
            }
        }
    }
    std::fprintf(out, "ENDE\n");
    if (std::fclose(out) != 0) return fail(dir + "/table.txt");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s DIR ORDER [+N|-N] S1 S2 ... Sk\n", argv[0]);
        return 2;
    }
    int next = 3;
    long change = 0;
    if (argv[3][0] == '+' || argv[3][0] == '-') change = std::atol(argv[next++]);
    std::vector<int> sizes;
    for (int i = next; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    int order = std::atoi(argv[2]);
    if (sizes.empty() || sizes.size() > 16 || order < 1 || order > int(sizes.size())) {
        std::fprintf(stderr, "%s: ORDER must be 1 to the number of classes\n", argv[0]);
        return 2;
    }
    for (int size : sizes) {
        if (size < 1) {
            std::fprintf(stderr, "%s: class sizes must be positive\n", argv[0]);
            return 2;
        }
    }
    return generate(argv[1], order, change, sizes) ? 0 : 1;
}
