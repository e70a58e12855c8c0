// Writes one random table description of few cells and large values, the kind of table on
// which a search must still end: one to three classes (2 to 1,000 cells), whole base values of
// 10^6 to 10^9, and 2 to 10 restrictions of every kind, hard and weak, each a sum of 1 to 3
// terms over cell ranges with whole coefficients (1, 2, 3, 7, -1, -2, now and then 1000) or
// short decimal ones (0.5, 1.5, 0.25).
// Their values are taken from a whole-number table within 5 % of the base, so that every hard
// restriction holds for it: a whole-number adjustment always exists.
//
//   generate_large_values DIR SEED
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

// A number of quarters as a decimal: 6 is "1.5", -1 is "-0.25".
std::string quarters(int64_t n) {
    const char* fractions[] = {"", ".25", ".5", ".75"};
    const int64_t magnitude = n < 0 ? -n : n;
    return (n < 0 ? "-" : "") + std::to_string(magnitude / 4) + fractions[magnitude % 4];
}

bool generate(const std::string& dir, uint64_t seed) {
    Random random(seed);
    const int classes = int(random.between(1, 3));
    std::vector<int> sizes;
    const int largest[] = {60, 30, 10};
    int cells = 1;
    for (int k = 0; k < classes; ++k) {
        sizes.push_back(int(random.between(2, largest[classes - 1])));
        cells *= sizes.back();
    }
    std::vector<int64_t> base(static_cast<size_t>(cells)), table(base.size());
    const double scale = std::pow(10.0, random.uniform(6.0, 9.0));
    for (size_t c = 0; c < base.size(); ++c) {
        base[c] = std::llround(scale * random.uniform(0.5, 2.0));
        table[c] = std::llround(double(base[c]) * random.uniform(0.95, 1.05));
    }
    const auto selected = [&](const Reference& r) { return selectedCells(r, sizes, cells); };

    std::string text = "KLASSEN " + std::to_string(classes) + ";\nAUSPRAEGUNGEN";
    for (int k = 0; k < classes; ++k) {
        text += k > 0 ? "; " : " ";
        text += std::to_string(k + 1) + " = " + std::to_string(sizes[size_t(k)]);
    }
    text += ";\nBASIS (_";
    for (int k = 1; k < classes; ++k) text += ", _";
    text += ")";
    for (int64_t b : base) text += " " + std::to_string(b);
    text += ";\nRESTRIKTIONEN";
    // Coefficients and values in quarters: 0.25 is 1.
    const std::vector<int64_t> coefficients = {4, 4, 4, 4, 8, 12, 28, -4, -4, -8, 2, 6, 1, 4000};
    const int restrictions = int(random.between(2, 10));
    for (int i = 0; i < restrictions; ++i) {
        std::string row;
        int64_t value = 0;  // in quarters
        int used = 0;       // the cells the terms select, counted with repetition
        const int terms = int(random.between(1, 3));
        for (int t = 0; t < terms; ++t) {
            const Reference r = randomReference(random, sizes, 3, 4);
            const std::vector<int> in = selected(r);
            if (used + static_cast<int>(in.size()) > cells) break;
            used += static_cast<int>(in.size());
            const int64_t a = random.pick(coefficients);
            for (int c : in) value += a * table[static_cast<size_t>(c)];
            if (t > 0)
                row += a < 0 ? " - " : " + ";
            else if (a < 0)
                row += "- ";
            if (std::llabs(a) != 4) row += quarters(std::llabs(a)) + " ";
            row += r.text;
        }
        if (row.empty()) continue;
        // Slack in whole units of the row's value, up to a millionth of it.
        const int64_t spread = std::max<int64_t>(1, std::llabs(value) / 4000000);
        switch (random.below(6)) {
            case 0:
                row += " = " + quarters(value);
                break;
            case 1:
                row += " < " + quarters(value + 4 * random.between(0, spread));
                break;
            case 2:
                row += " > " + quarters(value - 4 * random.between(0, spread));
                break;
            case 3:
                row += " | " + quarters(value - 4 * random.between(0, spread)) + " " +
                       quarters(value + 4 * random.between(0, spread));
                break;
            default: {
                char weight[32];
                std::snprintf(weight, sizeof weight, " %g",
                              random.pick(std::vector<double>{0.001, 0.5, 1, 2, 10}));
                row += " ~ " + quarters(value + 4 * random.between(-spread, spread)) + weight;
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
