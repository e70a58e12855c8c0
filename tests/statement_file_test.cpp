// The statement file read back as it was written, the damage its reader refuses, and a
// project's declared restrictions: from the statement file, the names file before it, and
// neither when the statement file does not fit the control file.
#include "common/statement_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/project.h"
#include "qorlex/driver/qorlex_run.h"
#include "tests/test_files.h"

namespace {

std::string text(const std::string& bytes) {
    return int32Bytes(static_cast<int32_t>(bytes.size())) + bytes;
}

TEST(StatementFile, ReadsBackWhatWasWritten) {
    TempDir dir;
    const std::string path = dir / "t-stm.dat";
    TextList texts;
    texts.push_back("(North, _) = 19");
    texts.push_back("");
    const int32_t lines[] = {11, 40};
    ASSERT_TRUE(writeStatementFile(path, "in/persons.txt", lines, texts));
    EXPECT_EQ(readFile(path), text("in/persons.txt") + int32Bytes(2) + int32Bytes(11) +
                                  text("(North, _) = 19") + int32Bytes(40) + text(""));
    InputFile file;
    ASSERT_TRUE(file.open(path));
    StatementFile read;
    ASSERT_EQ(readStatementFile(file, read), ReadResult::OK);
    EXPECT_EQ(read.description, "in/persons.txt");
    EXPECT_EQ(read.lines, (std::vector<int32_t>{11, 40}));
    ASSERT_EQ(read.texts.size(), 2u);
    EXPECT_EQ(read.texts[0], "(North, _) = 19");
    EXPECT_EQ(read.texts[1], "");
}

TEST(StatementFile, RefusesDamage) {
    const std::string head = text("t.txt");
    const struct {
        const char* name;
        std::string bytes;
        ReadResult result;
    } cases[] = {
        {"empty", "", ReadResult::INVALID},
        {"negative name length", int32Bytes(-1), ReadResult::NEGATIVE_COUNT},
        {"no count", head, ReadResult::INVALID},
        {"negative count", head + int32Bytes(-2), ReadResult::NEGATIVE_COUNT},
        {"more entries than the file can hold", head + int32Bytes(1 << 30), ReadResult::INVALID},
        {"line 0", head + int32Bytes(1) + int32Bytes(0) + text("(1) = 2"), ReadResult::INVALID},
        {"text beyond the file", head + int32Bytes(1) + int32Bytes(3) + int32Bytes(9) + "(1)",
         ReadResult::INVALID},
        {"text longer than any kept",
         head + int32Bytes(1) + int32Bytes(3) + text(std::string(MAX_STATEMENT_TEXT + 1, 'x')),
         ReadResult::INVALID},
        {"bytes after the last entry", head + int32Bytes(0) + "x", ReadResult::INVALID},
        {"no restrictions", head + int32Bytes(0), ReadResult::OK},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("t-stm.dat", c.bytes);
        InputFile file;
        ASSERT_TRUE(file.open(path));
        StatementFile statements;
        EXPECT_EQ(readStatementFile(file, statements), c.result);
    }
}

TEST(StatementFile, GivesAProjectItsDeclaredRestrictions) {
    TempDir dir;
    const std::string description = dir.write(
        "t.txt", "KLASSEN r; AUSPR r = a, b; BASIS (_) 4 5;\nREST\n(_) = 9;\n(a) > 1 ;\n");
    const std::string project = dir / "p";
    std::ostringstream out;
    ASSERT_EQ(runQorlex({description, project}, out, out), 0);
    const std::string statements = readFile(project + "-stm.dat");
    const std::string names =
        "kind,class,number,name,label,source\nclass,1,,r,Region,b.csv:1\n"
        "characteristic,1,1,a,A,b.csv:2\ncharacteristic,1,2,b,B,b.csv:3\n"
        "restriction,,1,(_) = 9,Total: 9,m.csv:2\nrestriction,,2,(a) > 1,A: 1,m.csv:3\n";
    const struct {
        const char* name;
        std::string statements;  // empty: no statement file
        std::string names;       // empty: no names file
        ProjectFault fault;
        std::vector<std::string> declared;  // label and source of each restriction
    } cases[] = {
        {"from the description",
         statements,
         "",
         ProjectFault::NONE,
         {"(_) = 9", description + ":3", "(a) > 1", description + ":4"}},
        {"the names file first",
         statements,
         names,
         ProjectFault::NONE,
         {"Total: 9", "m.csv:2", "A: 1", "m.csv:3"}},
        {"neither", "", "", ProjectFault::NONE, {"", "", "", ""}},
        {"one statement short",
         text(description) + int32Bytes(1) + int32Bytes(3) + text("(_) = 9"),
         "",
         ProjectFault::STATEMENTS_DO_NOT_FIT,
         {}},
        {"another relation",
         text("t.txt") + int32Bytes(2) + int32Bytes(3) + text("(_) = 9") + int32Bytes(4) +
             text("(a) < 1"),
         "",
         ProjectFault::STATEMENTS_DO_NOT_FIT,
         {}},
        {"damaged", "x", "", ProjectFault::INVALID_FILE, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(project + "-stm.dat");
        std::filesystem::remove(project + "-names.csv");
        if (!c.statements.empty()) dir.write("p-stm.dat", c.statements);
        if (!c.names.empty()) dir.write("p-names.csv", c.names);
        Project loaded;
        const ProjectError error = loadProject(project, loaded);
        ASSERT_EQ(error.fault, c.fault) << projectErrorMessage(error);
        if (c.fault == ProjectFault::STATEMENTS_DO_NOT_FIT) {
            EXPECT_EQ(projectErrorMessage(error),
                      "Error: Statement file " + project + "-stm.dat does not fit control file " +
                          project + "-ctr.dat; translate the description again, or remove it\n");
        }
        if (c.fault != ProjectFault::NONE) continue;
        std::vector<std::string> declared;
        for (std::size_t i = 0; i < 2; ++i) {
            declared.emplace_back(declaredLabel(loaded, i));
            declared.emplace_back(restrictionSource(loaded, i));
        }
        EXPECT_EQ(declared, c.declared);
    }
}

}  // namespace
