// Writes a benchmark workload: a table description and its base file.
//
//   generate_workload margins DIR S1 S2 ... Sk
//       classes of the given sizes, the base from a plain number file, every one- and
//       two-dimensional margin as an equality restriction
//   generate_workload sparse DIR LINES BOXES WEAK S1 S2 ... Sk
//       classes of the given sizes, the base from a delimited file of LINES lines, BOXES
//       small box restrictions (lower bounds) and WEAK weak restrictions
//   generate_workload slices DIR LINES COUNT S1 S2 ... Sk
//       classes of the given sizes, the base from a delimited file of LINES lines, COUNT
//       upper bounds on the slices of the first class: (i, _, ..., _) < 100000000
//   generate_workload whole DIR LINES COUNT S1 S2 ... Sk
//       the same base, COUNT equalities over the whole table: (_, ..., _) = 5
//
// The description is DIR/table.txt. The numbers come from a fixed seed, so a workload is
// the same on every run.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct Writer {
    std::FILE* file;
    explicit Writer(const std::string& path) : file(std::fopen(path.c_str(), "w")) {
        if (file == nullptr) {
            std::perror(path.c_str());
            std::exit(1);
        }
    }
    ~Writer() {
        if (std::fclose(file) != 0) {
            std::perror("close");
            std::exit(1);
        }
    }
    __attribute__((format(printf, 2, 3))) void print(const char* format, ...) {
        va_list args;
        va_start(args, format);
        const int written = std::vfprintf(file, format, args);
        va_end(args);
        if (written < 0) {
            std::perror("write");
            std::exit(1);
        }
    }
};

void writeDeclarations(Writer& out, const std::vector<int>& sizes) {
    out.print("KLASSEN\n   %zu;\nAUSPRAEGUNGEN\n", sizes.size());
    for (std::size_t k = 0; k < sizes.size(); ++k) out.print("   %zu = %d;\n", k + 1, sizes[k]);
}

// "(_, 3, _, 7)" for the given 0-based fixed indices; -1 means the whole class.
std::string reference(const std::vector<int>& fixed) {
    std::string text = "(";
    for (std::size_t k = 0; k < fixed.size(); ++k) {
        if (k > 0) text += ", ";
        text += fixed[k] < 0 ? "_" : std::to_string(fixed[k] + 1);
    }
    return text + ")";
}

int margins(const std::string& dir, const std::vector<int>& sizes) {
    std::mt19937_64 random(42);
    int64_t cells = 1;
    for (int size : sizes) cells *= size;
    std::vector<int64_t> base(static_cast<std::size_t>(cells));
    {
        Writer values(dir + "/base.txt");
        for (int64_t c = 0; c < cells; ++c) {
            base[static_cast<std::size_t>(c)] = static_cast<int64_t>(random() % 100) + 1;
            values.print("%lld%c", static_cast<long long>(base[static_cast<std::size_t>(c)]),
                         c % 10 == 9 ? '\n' : ' ');
        }
    }
    // Margin sums by cell decomposition.
    const std::size_t k = sizes.size();
    std::vector<std::vector<int64_t>> one(k);
    std::vector<std::vector<std::vector<int64_t>>> two(k, std::vector<std::vector<int64_t>>(k));
    for (std::size_t a = 0; a < k; ++a) {
        one[a].assign(static_cast<std::size_t>(sizes[a]), 0);
        for (std::size_t b = a + 1; b < k; ++b)
            two[a][b].assign(static_cast<std::size_t>(sizes[a] * sizes[b]), 0);
    }
    std::vector<int> index(k, 0);
    for (int64_t c = 0; c < cells; ++c) {
        int64_t rest = c;
        for (std::size_t a = k; a-- > 0;) {
            index[a] = static_cast<int>(rest % sizes[a]);
            rest /= sizes[a];
        }
        const int64_t value = base[static_cast<std::size_t>(c)];
        for (std::size_t a = 0; a < k; ++a) {
            one[a][static_cast<std::size_t>(index[a])] += value;
            for (std::size_t b = a + 1; b < k; ++b) {
                two[a][b][static_cast<std::size_t>(index[a] * sizes[b] + index[b])] += value;
            }
        }
    }
    Writer out(dir + "/table.txt");
    writeDeclarations(out, sizes);
    out.print("BASIS\n   ASCII[base.txt]\nRESTRIKTIONEN\n");
    std::vector<int> fixed(k, -1);
    for (std::size_t a = 0; a < k; ++a) {
        for (int i = 0; i < sizes[a]; ++i) {
            fixed[a] = i;
            out.print("   %s = %lld;\n", reference(fixed).c_str(),
                      static_cast<long long>(one[a][static_cast<std::size_t>(i)]));
        }
        fixed[a] = -1;
    }
    for (std::size_t a = 0; a < k; ++a) {
        for (std::size_t b = a + 1; b < k; ++b) {
            for (int i = 0; i < sizes[a]; ++i) {
                for (int j = 0; j < sizes[b]; ++j) {
                    fixed[a] = i;
                    fixed[b] = j;
                    out.print("   %s = %lld;\n", reference(fixed).c_str(),
                              static_cast<long long>(
                                  two[a][b][static_cast<std::size_t>(i * sizes[b] + j)]));
                }
            }
            fixed[a] = fixed[b] = -1;
        }
    }
    out.print("ENDE\n");
    return 0;
}

// Writes DIR/base.csv: LINES cells at random with values 1 to 500. Returns the 0-based
// indices of each line's cell.
std::vector<int> writeDelimitedBase(const std::string& dir, long lines,
                                    const std::vector<int>& sizes, std::mt19937_64& random) {
    const std::size_t k = sizes.size();
    std::vector<int> cells(static_cast<std::size_t>(lines) * k);
    Writer data(dir + "/base.csv");
    for (long line = 0; line < lines; ++line) {
        for (std::size_t a = 0; a < k; ++a) {
            const int index = static_cast<int>(random() % static_cast<unsigned>(sizes[a]));
            cells[static_cast<std::size_t>(line) * k + a] = index;
            data.print("%d;", index + 1);
        }
        data.print("%d\n", static_cast<int>(random() % 500) + 1);
    }
    return cells;
}

int sparse(const std::string& dir, long lines, long boxes, long weak,
           const std::vector<int>& sizes) {
    std::mt19937_64 random(7);
    const std::size_t k = sizes.size();
    const std::vector<int> cells = writeDelimitedBase(dir, lines, sizes, random);
    Writer out(dir + "/table.txt");
    writeDeclarations(out, sizes);
    out.print("BASIS\n   DBF[base.csv][;]\nRESTRIKTIONEN\n");
    // A box of two characteristics in each of the first three classes around a cell of the
    // base file, so that it holds at least one adjustable cell.
    auto box = [&](bool weakOne) {
        const std::size_t line =
            static_cast<std::size_t>(random() % static_cast<unsigned long>(lines));
        std::string text = "(";
        for (std::size_t a = 0; a < k; ++a) {
            if (a > 0) text += ", ";
            const int index = cells[line * k + a] + 1;
            if (a < 3 && sizes[a] > 1) {
                const int low = index < sizes[a] ? index : index - 1;
                text += std::to_string(low) + "_" + std::to_string(low + 1);
            } else {
                text += std::to_string(index);
            }
        }
        text += ")";
        if (weakOne) {
            out.print("   %s ~ %d %d;\n", text.c_str(), static_cast<int>(random() % 1000),
                      static_cast<int>(random() % 5) + 1);
        } else {
            out.print("   %s > 1;\n", text.c_str());
        }
    };
    for (long b = 0; b < boxes; ++b) box(false);
    for (long w = 0; w < weak; ++w) box(true);
    out.print("ENDE\n");
    return 0;
}

// Restrictions over large parts of a sparse table: each names many cells, few of them
// adjustable.
int slices(const std::string& dir, long lines, long count, bool whole,
           const std::vector<int>& sizes) {
    std::mt19937_64 random(11);
    writeDelimitedBase(dir, lines, sizes, random);
    Writer out(dir + "/table.txt");
    writeDeclarations(out, sizes);
    out.print("BASIS\n   DBF[base.csv][;]\nRESTRIKTIONEN\n");
    std::vector<int> fixed(sizes.size(), -1);
    for (long r = 0; r < count; ++r) {
        if (whole) {
            out.print("   %s = 5;\n", reference(fixed).c_str());
        } else {
            fixed[0] = static_cast<int>(r % sizes[0]);
            out.print("   %s < 100000000;\n", reference(fixed).c_str());
        }
    }
    out.print("ENDE\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: %s margins DIR S1 ... | sparse DIR LINES BOXES WEAK S1 ... | "
                     "slices|whole DIR LINES COUNT S1 ...\n",
                     argv[0]);
        return 2;
    }
    const std::string kind = argv[1];
    const std::string dir = argv[2];
    std::vector<int> sizes;
    const bool sums = kind == "slices" || kind == "whole";
    const int first = kind == "sparse" ? 6 : sums ? 5 : 3;
    for (int i = first; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (kind == "margins") return margins(dir, sizes);
    if (kind == "sparse" && argc > 6)
        return sparse(dir, std::atol(argv[3]), std::atol(argv[4]), std::atol(argv[5]), sizes);
    if (sums && argc > 5)
        return slices(dir, std::atol(argv[3]), std::atol(argv[4]), kind == "whole", sizes);
    std::fprintf(stderr, "unknown workload %s\n", kind.c_str());
    return 2;
}
