// qordump: reading and checking the three project files, and printing them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/allocation.h"
#include "common/bound_type.h"
#include "qordump/qordump_run.h"
#include "tests/test_files.h"

namespace {

// Little-endian int32 and float64, as the project files hold them.
struct Bytes {
    std::string data;
    template <class T>
    Bytes& put(const std::vector<T>& values) {
        static_assert(std::endian::native == std::endian::little);
        for (const T& value : values) data.append(reinterpret_cast<const char*>(&value), sizeof(T));
        return *this;
    }
    Bytes& i32(int32_t value) { return put<int32_t>({value}); }
    Bytes& f64(double value) { return put<double>({value}); }
    Bytes& i32s(const std::vector<int32_t>& values) { return put(values); }
    Bytes& f64s(const std::vector<double>& values) { return put(values); }
    Bytes& text(const std::string& bytes) {
        return put(std::vector<char>(bytes.begin(), bytes.end()));
    }
};

// A small project: Region (North, South) by two unnamed characteristics, three adjustable
// cells, two hard rows, one weak row, and four declared restrictions, one of them a bound.
// Counts and arrays are separate fields, so a case can make them disagree.
struct Files {
    Bytes label =
        Bytes().i32(2).i32(2).i32(1).i32(12).text(std::string("North\0South\0", 12)).i32(2).i32(0);
    int32_t tableSize = 4, cellCount = 3;
    std::vector<int32_t> cellIndex{0, 1, 3};
    int32_t rowCount = 2, columnCount = 3, nonzeroCount = 4;
    std::vector<int32_t> rowStart{0, 2, 4}, columnIndex{0, 1, 1, 2};
    int32_t weakRows = 1, weakColumns = 3, weakNonzeros = 2;
    std::vector<int32_t> weakStart{0, 2}, weakColumnIndex{1, 2};
    std::string binaryTail;
    int32_t controlTableSize = 4, restrictionCount = 4, firstEntryCount = 2;
    std::vector<int32_t> firstColumns{0, 1};
    bool withLabel = true, withControl = true;

    // One record a line.
    // clang-format off
    std::string binary() const {
        return Bytes()
            .i32(tableSize).i32(cellCount).i32s(cellIndex)
            .f64s({5, 3, 2}).f64s({0, 0, 1.5}).f64s({NO_BOUND, NO_BOUND, 4})
            .i32(rowCount).i32(columnCount).i32(nonzeroCount).i32s({4, 1})
            .f64s({8, 2}).f64s({8, NO_BOUND}).i32s(rowStart).i32s(columnIndex)
            .f64s({1, 1, -1, 0.5})
            .i32(weakRows).i32(weakColumns).i32(weakNonzeros).f64(7).f64(1)
            .i32s(weakStart).i32s(weakColumnIndex).f64s({1, 1})
            .data + binaryTail;
    }
    std::string control() const {
        return Bytes()
            .i32(controlTableSize).i32(restrictionCount)
            .i32(4).i32(firstEntryCount).f64(8).f64(8).i32s(firstColumns).f64s({1, 1})
            .i32(1).i32(2).f64(2).f64(NO_BOUND).i32s({1, 2}).f64s({-1, 0.5})
            .i32(2).i32(1).f64(-NO_BOUND).f64(4).i32(2).f64(1)
            .i32(8).i32(2).f64(7).f64(7).i32s({1, 2}).f64s({1, 1})
            .data;
    }
    // clang-format on
};

class QordumpTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(scratch_.path().empty()); }

    std::string project() const { return scratch_ / "demo"; }

    void write(const std::string& suffix, const std::string& bytes) const {
        std::ofstream(project() + suffix, std::ios::binary) << bytes;
    }
    void write(const Files& files) const {
        std::filesystem::remove(project() + "-lbl.dat");
        std::filesystem::remove(project() + "-ctr.dat");
        if (files.withLabel) write("-lbl.dat", files.label.data);
        write("-bin.dat", files.binary());
        if (files.withControl) write("-ctr.dat", files.control());
    }

    // Runs qordump on the project; returns what it printed and sets the exit code.
    std::string run(std::vector<std::string> options, int& code) const {
        options.push_back(project());
        std::ostringstream out;
        code = runQordump(options, out, out);
        return out.str();
    }

    TempDir scratch_;
};

TEST_F(QordumpTest, PrintsCellsRowsAndRestrictionsReadably) {
    write(Files());
    int code = -1;
    const std::string text = run({"--cells", "--rows"}, code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(text,
              "Cells: 3 adjustable\n"
              "  column  cell  characteristics  base  lower  upper\n"
              "       1     1  (North, 1)          5      0   none\n"
              "       2     2  (North, 2)          3      0   none\n"
              "       3     4  (South, 2)          2    1.5      4\n"
              "\n"
              "Hard rows: 2\n"
              "  1: (North, 1) + (North, 2) = 8\n"
              "  2: -(North, 2) + 0.5 * (South, 2) >= 2\n"
              "\n"
              "Weak rows: 1\n"
              "  1: (North, 2) + (South, 2) ~ 7, weight 1\n"
              "\n"
              "Declared restrictions: 4\n"
              "  1: hard row 1: (North, 1) + (North, 2) = 8\n"
              "  2: hard row 2: -(North, 2) + 0.5 * (South, 2) >= 2\n"
              "  3: bound of column 3: (South, 2) <= 4\n"
              "  4: weak row 1: (North, 2) + (South, 2) ~ 7\n");
}

TEST_F(QordumpTest, ControlFileIsOptional) {
    Files files;
    files.withControl = false;
    write(files);
    int code = -1;
    const std::string text = run({}, code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(text.find("  control file: none\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nDeclared restrictions: no control file\n"), std::string::npos);
    EXPECT_NE(run({"--json", "--rows"}, code).find("\"restrictions\": null"), std::string::npos);
}

// Each case damages one file; qordump prints one line and ends with 1.
TEST_F(QordumpTest, ReportsDamagedFiles) {
    const std::string label = "Error: Invalid label file " + project() + "-lbl.dat\n";
    const std::string binary = "Error: Invalid binary data file " + project() + "-bin.dat\n";
    const std::string control = "Error: Invalid control file " + project() + "-ctr.dat\n";
    const struct {
        const char* what;
        std::function<void(Files&)> damage;
        std::string message;
    } cases[] = {
        // clang-format off
        {"no label file", [](Files& f) { f.withLabel = false; },
         "Error: Could not open file " + project() + "-lbl.dat: No such file or directory\n"},
        {"16 classes", [](Files& f) { f.label = Bytes().i32(16); }, label},
        {"named is 2", [](Files& f) { f.label = Bytes().i32(1).i32(1).i32(2); }, label},
        {"one name short",
         [](Files& f) { f.label = Bytes().i32(1).i32(3).i32(1).i32(4).text({"A\0B\0", 4}); },
         label},
        {"name without its zero",
         [](Files& f) { f.label = Bytes().i32(1).i32(1).i32(1).i32(1).text("A"); }, label},
        {"bytes after the classes", [](Files& f) { f.label.i32(0); }, label},
        {"negative table size", [](Files& f) { f.tableSize = -4; }, binary},
        {"negative cell count", [](Files& f) { f.cellCount = -1; }, binary},
        {"cell count beyond the file", [](Files& f) { f.cellCount = 1000; }, binary},
        {"cells out of order", [](Files& f) { f.cellIndex = {0, 3, 1}; }, binary},
        {"cell outside the table", [](Files& f) { f.cellIndex = {0, 1, 4}; }, binary},
        {"negative row count", [](Files& f) { f.rowCount = -2; }, binary},
        {"hard column count", [](Files& f) { f.columnCount = 2; }, binary},
        {"row start not at 0", [](Files& f) { f.rowStart = {1, 2, 4}; }, binary},
        {"rows going back", [](Files& f) { f.rowStart = {0, 3, 2}; }, binary},
        {"hard column outside", [](Files& f) { f.columnIndex = {0, 1, 1, 3}; }, binary},
        {"weak record without rows", [](Files& f) { f.weakRows = 0; }, binary},
        {"negative weak entries", [](Files& f) { f.weakNonzeros = -1; }, binary},
        {"weak column count", [](Files& f) { f.weakColumns = 4; }, binary},
        {"weak row start", [](Files& f) { f.weakStart = {0, 1}; }, binary},
        {"weak column outside", [](Files& f) { f.weakColumnIndex = {1, -1}; }, binary},
        {"bytes after the weak record", [](Files& f) { f.binaryTail = "x"; }, binary},
        {"label table of 6 cells",
         [](Files& f) { f.label = Bytes().i32(2).i32(3).i32(0).i32(2).i32(0); },
         "Error: Label file " + project() + "-lbl.dat does not fit binary data file " +
             project() + "-bin.dat\n"},
        {"restriction count beyond the file", [](Files& f) { f.restrictionCount = 5; }, control},
        {"restriction without entries", [](Files& f) { f.firstEntryCount = 0; }, control},
        {"columns not ascending", [](Files& f) { f.firstColumns = {1, 1}; }, control},
        {"control column outside", [](Files& f) { f.firstColumns = {0, 3}; }, control},
        {"control of another table", [](Files& f) { f.controlTableSize = 6; },
         "Error: Control file " + project() + "-ctr.dat does not fit binary data file " +
             project() + "-bin.dat\n"},
        // clang-format on
    };
    for (const auto& c : cases) {
        Files files;
        c.damage(files);
        write(files);
        int code = -1;
        EXPECT_EQ(run({"--json"}, code), c.message) << c.what;
        EXPECT_EQ(code, 1) << c.what;
    }
}

TEST_F(QordumpTest, ReportsMemoryThatCannotBeHad) {
    write(Files());
    const std::size_t limit = allocationLimit;
    allocationLimit = 8;
    int code = -1;
    const std::string out = run({}, code);
    allocationLimit = limit;
    EXPECT_EQ(out, "Error: Not enough memory to read " + project() + "-lbl.dat\n");
    EXPECT_EQ(code, 1);
}

// The commands of the examples' READMEs, run from the top of the repository.
TEST_F(QordumpTest, ExamplesRunThroughTheChain) {
    const std::filesystem::path root =
        std::filesystem::path(QOR_TEST_DATA_DIR).parent_path().parent_path();
    const struct {
        const char* description;
        const char* amplMessage;  // what qoramp prints; nothing when it writes the AMPL files
    } examples[] = {
        {"census/persons.txt", "Error: Undefined bound type\n"},
        {"census/persons-ampl.txt", ""},
        {"population/population.txt", ""},
        {"tourism/tourism.txt", ""},
    };
    // Runs a command on the project from the top of the repository; returns its exit code,
    // sets `out` to what it printed on standard output.
    const std::string project = scratch_ / "x";
    const std::string printed = scratch_ / "printed";
    const auto shell = [&](const std::string& command, std::string& out) {
        const int status = std::system(("cd '" + root.string() + "' && " + command + " '" +
                                        project + "' >'" + printed + "' 2>/dev/null")
                                           .c_str());
        out = readFile(printed);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    for (const auto& example : examples) {
        std::string out;
        EXPECT_EQ(shell(QORLEX_BINARY " examples/" + std::string(example.description), out), 0)
            << example.description;
        EXPECT_EQ(out, "Table description successfully translated\n");
        EXPECT_EQ(shell(QORDUMP_BINARY, out), 0) << out;
        const bool exported = example.amplMessage[0] == '\0';
        EXPECT_EQ(shell(QORAMP_BINARY, out), exported ? 0 : 1);
        EXPECT_EQ(out, example.amplMessage) << example.description;
        EXPECT_EQ(std::filesystem::exists(project + ".mod"), exported) << example.description;
        std::filesystem::remove(project + ".mod");
    }
}

}  // namespace
