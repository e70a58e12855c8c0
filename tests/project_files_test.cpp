// The three project files, byte for byte, and how their writers fail.
#include "qorlex/output/project_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/binary_data_file.h"
#include "common/control_file.h"
#include "qorlex/output/generate_arrays.h"
#include "qorlex/scanner/lex_table.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

// Expected file contents, built little-endian field by field.
struct Bytes {
    std::string data;
    Bytes& i(std::initializer_list<int32_t> values) {
        for (int32_t v : values) {
            const auto u = static_cast<uint32_t>(v);
            for (int k = 0; k < 4; ++k) data += static_cast<char>((u >> (8 * k)) & 0xff);
        }
        return *this;
    }
    Bytes& d(std::initializer_list<double> values) {
        for (double v : values) {
            uint64_t u;
            std::memcpy(&u, &v, sizeof u);
            for (int k = 0; k < 8; ++k) data += static_cast<char>((u >> (8 * k)) & 0xff);
        }
        return *this;
    }
    Bytes& s(std::string_view bytes) {
        data += bytes;
        return *this;
    }
};

enum Which { LABEL, BINARY, CONTROL };

// A table scanned from a description, with its arrays generated.
struct Project {
    std::unique_ptr<LexTable> table = std::make_unique<LexTable>();
    HardArrays hard;
    WeakArrays weak;

    explicit Project(const std::string& description) {
        EXPECT_EQ(table->scanText(description, ""), 0) << description;
        EXPECT_EQ(generateArrays(*table, hard, weak), OK) << description;
    }
    ErrorCode write(Which which, const std::string& path) const {
        if (which == LABEL) return writeLabelFile(*table, path);
        if (which == BINARY) return writeBinaryDataFile(path, hard, weak, *table);
        return writeControlFile(*table, path);
    }
};

const std::string TWO_CELLS = "KLASSEN 1\nAUSPRAEGUNGEN\n1 = 2;\nBASIS\n(_) 5 3;\nRESTRIKTIONEN\n";
const std::string THREE_CELLS_ONE_ZERO =
    "KLASSEN 1\nAUSPRAEGUNGEN\n1 = 3;\nBASIS\n(_) 1 0 2;\nRESTRIKTIONEN\n";

TEST(ProjectFiles, ContentsByteForByte) {
    struct Case {
        const char* name;
        std::string description;
        Which which;
        Bytes expected;
    };
    // One record a line.
    // clang-format off
    const Case cases[] = {
        {"binary file with one equality row", TWO_CELLS + "(_) = 8;", BINARY,
         Bytes().i({2, 2, 0, 1}).d({5, 3, 0, 0, 1e38, 1e38})
             .i({1, 2, 2, 4}).d({8, 8}).i({0, 2, 0, 1}).d({1, 1})},
        {"binary file without rows", TWO_CELLS, BINARY,
         Bytes().i({2, 2, 0, 1}).d({5, 3, 0, 0, 1e38, 1e38}).i({0, 0, 0})},
        {"binary file with weak rows only", THREE_CELLS_ONE_ZERO + "(1) > 2; 2 * (_) ~ 8 4;",
         BINARY,
         Bytes().i({3, 2, 0, 2}).d({1, 2, 2, 0, 1e38, 1e38})
             .i({0, 0, 0})
             .i({1, 2, 2}).d({8, 1}).i({0, 2, 0, 1}).d({2, 2})},
        {"label file of an unnamed and a named class",
         "KLASSEN 2\nAUSPRAEGUNGEN\n1 = 3;\n2 = A BC;\n", LABEL,
         Bytes().i({2, 3, 0, 2, 1, 5}).s({"A\0BC\0", 5})},
        {"label file of unnamed classes", "KLASSEN 3\nAUSPRAEGUNGEN\n1 = 2;\n2 = 3;\n3 = 4;\n",
         LABEL, Bytes().i({3, 2, 0, 3, 0, 4, 0})},
        {"label file without class names",
         "KLASSEN Region Sex\nAUSPRAEGUNGEN\nSex = 2;\nRegion = North South;\n", LABEL,
         Bytes().i({2, 2, 1, 12}).s({"North\0South\0", 12}).i({2, 0})},
        {"empty label file", "", LABEL, Bytes().i({0})},
        {"control file with one equality",
         "KLASSEN 2\nAUSPRAEGUNGEN\n1 = 2;\n2 = 3;\nBASIS\n(_, _) = 1;\nRESTRIKTIONEN\n(1, 1_2) = "
         "10;",
         CONTROL, Bytes().i({6, 1, 4, 2}).d({10, 10}).i({0, 1}).d({1, 1})},
        {"control file of every kind",
         THREE_CELLS_ONE_ZERO + "(1) > 2; (_) < 9; 2 (1) - (3) | 1 5; (3) ~ 4 3;", CONTROL,
         Bytes().i({3, 4})
             .i({1, 1}).d({2, 1e38}).i({0}).d({1})
             .i({2, 2}).d({-1e38, 9}).i({0, 1}).d({1, 1})
             .i({3, 2}).d({1, 5}).i({0, 1}).d({2, -1})
             .i({8, 1}).d({4, 4}).i({1}).d({1})},
        {"control file without restrictions", TWO_CELLS, CONTROL, Bytes().i({2, 0})},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Project project(c.description);
        const std::string path = dir / "out.dat";
        std::ofstream(path) << std::string(300, 'x');  // an older, longer file is replaced
        ASSERT_EQ(project.write(c.which, path), OK);
        EXPECT_EQ(readFile(path), c.expected.data);
    }
}

// The writers take the entries from the restriction list, in pieces and with shared
// coefficients written out; the files must be those written entry by entry from the
// records' own arrays and every restriction's coefficients. Restrictions of 200,000 entries
// cross the output buffer.
TEST(ProjectFiles, EntriesAsWrittenOneByOne) {
    const std::string large =
        "KLASSEN 2\nAUSPRAEGUNGEN\n1 = 400;\n2 = 500;\nBASIS\n(_, _) = 1.5;\n"
        "(3, 7) = 0;\nRESTRIKTIONEN\n";
    const struct {
        const char* name;
        std::string description;
    } cases[] = {
        {"hard rows, kept and shared coefficients in turn",
         large + "(1, _) = 9; 2 (_, 1) - (1, 1) = 3; (_, _) = 7; (1_399, _) - 0.5 (2, _) < 4;"},
        {"weak and hard rows in turn", large + "(_, 2) ~ 5 2; (_, 3) = 1; (2_400, _) + 2 (1, _) ~ "
                                               "8; (4, _) - (5, _) = 0; (_, _) ~ 1;"},
        {"cell bounds between rows", large + "(2, 2) > 1; (_, _) = 4; (2, 3) < 5; (_, 4) ~ 2;"},
        {"one cell with a coefficient", large + "3 (9, 9) ~ 6; (9, 9) + (9, 9) = 2;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Project project(c.description);
        ASSERT_EQ(project.write(BINARY, dir / "bin"), OK);
        ASSERT_EQ(project.write(CONTROL, dir / "ctr"), OK);

        OutputFile binary(dir / "bin-by-entry");
        ASSERT_TRUE(binary.open());
        writeBaseRecord(binary, project.table->baseArrays());
        writeHardRecord(binary, project.hard);
        writeWeakRecord(binary, project.weak);
        ASSERT_TRUE(binary.commit());
        EXPECT_TRUE(readFile(dir / "bin") == readFile(dir / "bin-by-entry"));

        const RestrictionList& list = project.table->restrictions();
        ControlFileWriter control(dir / "ctr-by-entry");
        ASSERT_TRUE(control.open(project.table->tableSize, static_cast<int32_t>(list.size())));
        for (const Restriction& r : list) {
            const Coefficients coefficients = list.coefficients(r);
            const std::vector<double> each(coefficients.begin(), coefficients.end());
            control.writeRestriction(r.type, r.lowerValue, r.upperValue, list.columns(r), each);
        }
        ASSERT_TRUE(control.commit());
        EXPECT_TRUE(readFile(dir / "ctr") == readFile(dir / "ctr-by-entry"));
    }
}

// A device that refuses every byte: the short write is reported, and the device is not
// removed as if it were the writer's partial file.
TEST(ProjectFiles, ShortWriteIsReported) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    Project project(TWO_CELLS + "(_) = 8;");
    for (Which which : {LABEL, BINARY, CONTROL}) {
        SCOPED_TRACE(which);
        EXPECT_EQ(project.write(which, "/dev/full"), CANNOT_OPEN_FOR_WRITING);
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
}

}  // namespace
