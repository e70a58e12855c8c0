// Writes one small random table description, the kind of table a user tries first: one to
// three classes of 2 to 6 values (one class: 2 to 12), a base of one value (5, 20, 100 or
// 5000) or of random values with one decimal, and 1 to 8 restrictions of every kind, hard and
// weak, each a sum of 1 to 3 terms over cell ranges with coefficients 1, 2, 3, -1, -2, and
// now and then 0.5 or 1.5.
// Their values are taken from a whole-number table within 30 % of the base, so that every hard
// restriction holds for it: a whole-number adjustment always exists.
//
//   generate_small_table DIR SEED
//
// The description is DIR/table.txt; the same seed writes the same file on every machine.
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/random_table.h"

namespace {

// A number of halves as a decimal: 3 is "1.5".
std::string halves(int64_t n) {
    std::string text = std::to_string(n / 2);
    if (n % 2 != 0) text = (n < 0 && n / 2 == 0 ? "-0" : text) + ".5";
    return text;
}

bool generate(const std::string& dir, uint64_t seed) {
    Random random(seed);
    const int classes = random.between(1, 3);
    std::vector<int> sizes;
    for (int k = 0; k < classes; ++k)
        sizes.push_back(classes == 1 ? random.between(2, 12) : random.between(2, 6));
    int cells = 1;
    for (int size : sizes) cells *= size;
    const bool oneValue = random.below(2) == 0;
    const double constant = random.pick(std::vector<double>{5, 20, 100, 5000});
    std::vector<double> base(static_cast<size_t>(cells));
    std::vector<int64_t> table(base.size());
    for (size_t c = 0; c < base.size(); ++c) {
        base[c] = oneValue ? constant : random.between(5, 2000) / 10.0;
        table[c] = std::llround(base[c] * random.uniform(0.7, 1.3));
    }
    const auto selected = [&](const Reference& r) { return selectedCells(r, sizes, cells); };

    std::string text = "KLASSEN " + std::to_string(classes) + "; AUSPRAEGUNGEN";
    for (int k = 0; k < classes; ++k) {
        text += k > 0 ? "; " : " ";
        text += std::to_string(k + 1) + " = " + std::to_string(sizes[size_t(k)]);
    }
    text += ";\nBASIS (_";
    for (int k = 1; k < classes; ++k) text += ", _";
    text += ")";
    char number[64];
    if (oneValue) {
        std::snprintf(number, sizeof number, " = %g", constant);
        text += number;
    } else {
        for (double b : base) {
            std::snprintf(number, sizeof number, " %.1f", b);
            text += number;
        }
    }
    text += ";\nRESTRIKTIONEN";
    // Coefficients and values in halves: 0.5 is 1.
    const std::vector<int> coefficients = {2, 2, 2, 2, 4, 4, 6, -2, -2, -4, 1, 3};
    const int restrictions = random.between(1, 8);
    for (int i = 0; i < restrictions; ++i) {
        std::string row;
        int64_t value = 0;
        int used = 0;  // the cells the terms select, counted with repetition: at most the table
        const int terms = random.between(1, 3);
        for (int t = 0; t < terms; ++t) {
            const Reference r = randomReference(random, sizes, 4, 3);
            const std::vector<int> in = selected(r);
            if (used + static_cast<int>(in.size()) > cells) break;
            used += static_cast<int>(in.size());
            const int a = random.pick(coefficients);
            for (int c : in) value += a * table[static_cast<size_t>(c)];
            if (t > 0)
                row += a < 0 ? " - " : " + ";
            else if (a < 0)
                row += "- ";
            if (std::abs(a) != 2) row += halves(std::abs(a)) + " ";
            row += r.text;
        }
        switch (random.below(6)) {
            case 0:
                row += " = " + halves(value);
                break;
            case 1:
                row += " < " + halves(value + 2 * random.between(0, 5));
                break;
            case 2:
                row += " > " + halves(value - 2 * random.between(0, 5));
                break;
            case 3:
                row += " | " + halves(value - 2 * random.between(0, 3)) + " " +
                       halves(value + 2 * random.between(0, 3));
                break;
            default: {
                std::snprintf(number, sizeof number, " %g",
                              random.pick(std::vector<double>{0.001, 0.5, 1, 2, 10}));
                row += " ~ " + halves(value + 2 * random.between(-20, 20)) + number;
            }
        }
        text += "\n  " + row + ";";
    }
    text += "\nENDE\n";

    return writeDescription(dir, text);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIR SEED\n", argv[0]);
        return 2;
    }
    return generate(argv[1], std::strtoull(argv[2], nullptr, 10)) ? 0 : 1;
}
