// Writes qorimport's benchmark workload: a spreadsheet's base table and a file of published
// margins, with labels as people write them.
//
//   generate_spreadsheet DIR S1 S2 ... Sk
//
// DIR/base.csv: the header Region;Altersgruppe;Branche;Jahr;... (one class per size given,
// at most 6) and Anzahl, then one line per cell of the full table, in cell order, the values
// whole numbers from 0 to 1000 (about one in ten is 0). DIR/margins.csv: every one- and
// two-class margin of the same classes, the classes a margin sums over left blank, the
// values the sums of the base table moved by up to 2 %. The numbers come from a fixed seed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const CLASS_NAMES[] = {"Region", "Altersgruppe", "Branche",
                                   "Jahr",   "Geschlecht",   "Nationalität"};

// The label of characteristic `i` of class `k`: regions with umlauts and blanks, age groups
// that begin with digits, sectors with signs, years.
std::string label(std::size_t k, int i) {
    switch (k) {
        case 0:
            return "Gemeinde Zürich-" + std::to_string(i + 1);
        case 1:
            return std::to_string(2 * i) + "-" + std::to_string(2 * i + 1);
        case 2:
            return "Branche " + std::to_string(i + 1) + " (Dienstleistung & Handel)";
        case 3:
            return std::to_string(2000 + i);
        default:
            return "Gruppe " + std::to_string(i + 1) + " ü";
    }
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::perror(what);
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 8) {
        std::fprintf(stderr, "usage: %s DIR S1 ... Sk (at most 6 sizes)\n", argv[0]);
        return 1;
    }
    const std::string dir = argv[1];
    std::vector<int> sizes;
    int64_t cells = 1;
    for (int a = 2; a < argc; ++a) {
        sizes.push_back(std::atoi(argv[a]));
        if (sizes.back() < 1) return 1;
        cells *= sizes.back();
    }
    const std::size_t k = sizes.size();
    std::vector<std::vector<std::string>> labels(k);
    for (std::size_t c = 0; c < k; ++c) {
        for (int i = 0; i < sizes[c]; ++i) labels[c].push_back(label(c, i));
    }

    std::mt19937_64 random(20240917);
    std::uniform_int_distribution<int> value(0, 1000);
    std::vector<int32_t> base(static_cast<std::size_t>(cells));
    std::FILE* file = std::fopen((dir + "/base.csv").c_str(), "w");
    check(file != nullptr, "base.csv");
    for (std::size_t c = 0; c < k; ++c) std::fprintf(file, "%s;", CLASS_NAMES[c]);
    std::fprintf(file, "Anzahl\n");
    std::vector<int> at(k, 0);
    for (int64_t cell = 0; cell < cells; ++cell) {
        const int v = value(random);
        base[static_cast<std::size_t>(cell)] = v < 100 ? 0 : v;
        for (std::size_t c = 0; c < k; ++c) std::fprintf(file, "%s;", labels[c][at[c]].c_str());
        std::fprintf(file, "%d\n", base[static_cast<std::size_t>(cell)]);
        for (std::size_t c = k; c-- > 0;) {
            if (++at[c] < sizes[c]) break;
            at[c] = 0;
        }
    }
    check(std::fclose(file) == 0, "base.csv");

    file = std::fopen((dir + "/margins.csv").c_str(), "w");
    check(file != nullptr, "margins.csv");
    for (std::size_t c = 0; c < k; ++c) std::fprintf(file, "%s;", CLASS_NAMES[c]);
    std::fprintf(file, "Anzahl\n");
    std::uniform_real_distribution<double> move(0.98, 1.02);
    // The margins over classes a (and b), the sums of the base table by one pass each.
    const auto writeMargins = [&](std::size_t a, std::size_t b) {
        const int sizeB = b < k ? sizes[b] : 1;
        std::vector<int64_t> sums(static_cast<std::size_t>(sizes[a]) * sizeB, 0);
        std::vector<int> index(k, 0);
        for (int64_t cell = 0; cell < cells; ++cell) {
            const int j = b < k ? index[b] : 0;
            sums[static_cast<std::size_t>(index[a]) * sizeB + j] += base[cell];
            for (std::size_t c = k; c-- > 0;) {
                if (++index[c] < sizes[c]) break;
                index[c] = 0;
            }
        }
        for (int i = 0; i < sizes[a]; ++i) {
            for (int j = 0; j < sizeB; ++j) {
                for (std::size_t c = 0; c < k; ++c) {
                    const char* field = c == a   ? labels[a][i].c_str()
                                        : c == b ? labels[b][j].c_str()
                                                 : "";
                    std::fprintf(file, "%s;", field);
                }
                const double sum = static_cast<double>(sums[i * sizeB + j]);
                std::fprintf(file, "%.0f\n", sum * move(random));
            }
        }
    };
    for (std::size_t a = 0; a < k; ++a) writeMargins(a, k);
    for (std::size_t a = 0; a < k; ++a) {
        for (std::size_t b = a + 1; b < k; ++b) writeMargins(a, b);
    }
    check(std::fclose(file) == 0, "margins.csv");
    return 0;
}
