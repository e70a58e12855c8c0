// Where the result files go and how qorsolve knows its own earlier ones.
#include "qorsolve/output/result_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "qorsolve/output/own_output.h"
#include "tests/solver_fixtures.h"

namespace {

// A result file is qorsolve's when its first line holds the file's stable run of columns in
// its place, whatever columns follow; a user's CSV with a like start stays the user's.
TEST(ResultPaths, KnowsItsFilesByTheirStableColumns) {
    using enum EarlierOutput;
    const struct Case {
        bool (*isOurs)(std::string_view);
        const char* content;
        EarlierOutput state;
    } cases[] = {
        {&isRowReportHeader, "restriction,kind,lower,upper,value,slack,binding,change,text\n",
         OURS},
        {&isRowReportHeader, "restriction,kind,lower,upper,value,slack,binding\n1,hard\n", OURS},
        {&isRowReportHeader, "restriction,kind,lower,upper,value,slack,binding,change,text,x\n",
         OURS},
        {&isRowReportHeader,
         "restriction,kind,lower,upper,value,slack,binding,change,text,declared,source\n", OURS},
        // Re-saved with Windows line ends.
        {&isRowReportHeader, "restriction,kind,lower,upper,value,slack,binding\r\n1,h\r\n", OURS},
        {&isRowReportHeader, "restriction,kind,lower,upper,value,slack\r\n", FOREIGN},
        {&isRowReportHeader, "restriction,kind,lower,upper,value,slack\n", FOREIGN},
        {&isRowReportHeader, "restriction,kind\n", FOREIGN},
        {&isRowReportHeader, "restriction,kind,lower,upper,value,slack,bound,change\n", FOREIGN},
        {&isRowReportHeader, "\"restriction,kind,lower,upper,value,slack,binding\"\n", FOREIGN},
        {&isRowReportHeader, "notes\nrestriction,kind,lower,upper,value,slack,binding\n", FOREIGN},
        {&isRowReportHeader, "restriction,kind,lower,upper,value,slack,binding", FOREIGN},
        {&isRowReportHeader, "", NONE},
        {&isConflictFileHeader, "kind,member,relation,value,change,multiplier,objective\n", OURS},
        {&isConflictFileHeader, "kind,member,relation,value,change\nrestriction,1,=,8,1\n", OURS},
        {&isConflictFileHeader, "kind,member,relation,value,change,multiplier,objective,x\n", OURS},
        {&isConflictFileHeader, "kind,member,relation,value\n", FOREIGN},
        {&isConflictFileHeader, "kind,name,value\n", FOREIGN},
        {&isConflictFileHeader, "kind\n", FOREIGN},
        {&isConflictFileHeader, "kind,member,relation,value,changes\n", FOREIGN},
        {&isConflictFileHeader, "", NONE},
        {&isAdjustedTableHeader, "class1,class2,base,adjusted,change,relative change\n", OURS},
        {&isAdjustedTableHeader, "A,\"B, C\",base,adjusted,change,relative change,x\n", OURS},
        {&isAdjustedTableHeader, "base,adjusted,change,relative change\n", OURS},
        {&isAdjustedTableHeader, "class1,class2,class3,base,adjusted\n1,2,3,4,5\n", OURS},
        {&isAdjustedTableHeader, "base,adjusted\n4,5\n", OURS},
        {&isAdjustedTableHeader, "class1,base,adjusted\r\n", OURS},
        {&isAdjustedTableHeader, "A,B,base,adjusted\n", FOREIGN},
        {&isAdjustedTableHeader, "A,base,adjusted,change\n", FOREIGN},
        {&isAdjustedTableHeader, "class1,base\n", FOREIGN},
        {&isAdjustedTableHeader, "\"A,base,adjusted,change,relative change\"\n", FOREIGN},
        {&isAdjustedTableHeader, "class1,class2,base,adjusted", FOREIGN},
        {&isAdjustedTableHeader, "", NONE},
        // Written for a spreadsheet of another locale, recognised whatever the run's form.
        {&isRowReportHeader,
         "restriction;kind;lower;upper;value;slack;binding;change;text;declared;source\n", OURS},
        {&isRowReportHeader, "restriction\tkind\tlower\tupper\tvalue\tslack\tbinding\n", OURS},
        {&isRowReportHeader, "restriction;kind;lower;upper;value;slack\n", FOREIGN},
        {&isRowReportHeader, "restriction;kind;lower;upper;value;slack,binding\n", FOREIGN},
        {&isRowReportHeader, "restriction|kind|lower|upper|value|slack|binding\n", FOREIGN},
        {&isConflictFileHeader, "kind;member;relation;value;change;multiplier;objective\n", OURS},
        {&isConflictFileHeader, "kind\tmember\trelation\tvalue\r\n", FOREIGN},
        {&isAdjustedTableHeader, "A;B, C;base;adjusted;change;relative change\n", OURS},
        {&isAdjustedTableHeader, "\"A;B\"\tbase\tadjusted\tchange\trelative change\n", OURS},
        {&isAdjustedTableHeader, "class1;base;adjusted\n", FOREIGN},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.write("result.csv", c.content);
        EXPECT_EQ(checkEarlierOutput(path, c.isOurs).state, c.state) << c.content;
    }
}

// The prefix of --output, checked before the solve: results under another name only, in a
// folder that takes files. The project's own prefix, however spelt, is the project's.
TEST(ResultPaths, PrefixOfOtherResultFiles) {
    const struct Case {
        const char* name;
        std::string output;   // relative to the directory
        std::string message;  // empty when the prefix may be used
    } cases[] = {
        {"beside the project", "p-real", ""},
        {"in a subfolder", "out/p", ""},
        {"the project's name", "p", ""},
        {"the project's, spelt otherwise", "out/../p", ""},
        {"a folder", "out",
         "Error: --output DIR/out is a folder; it needs a prefix for the result "
         "files' names, such as DIR/out/p\n"},
        {"a folder that does not exist", "missing/p",
         "Error: Could not create the result files of --output DIR/missing/p in DIR/missing/: No "
         "such file or directory\n"},
        {"a file of the project", "p-ctr.dat",
         "Error: --output DIR/p-ctr.dat is a file of the project; it needs a prefix for the "
         "result files' names\n"},
        {"another project", "q",
         "Error: --output DIR/q names another project (DIR/q-lbl.dat), whose results these "
         "would pass for\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::filesystem::create_directory(dir / "out");
        dir.write("p-lbl.dat", "labels");
        dir.write("p-ctr.dat", "control");
        dir.write("q-lbl.dat", "labels");
        Project project;
        project.name = dir / "p";
        project.labelPath = dir / "p-lbl.dat";
        project.controlPath = dir / "p-ctr.dat";
        SolveSettings settings;
        settings.output = dir / c.output;
        const ResultPlace place = resultPlace(project, settings);
        EXPECT_EQ(adjustedTablePath(place), dir / (c.output + "-adj.csv"));
        EXPECT_EQ(conflictFilePath(place), dir / (c.output + "-conflict.csv"));
        std::string error;
        EXPECT_EQ(mayUsePlace(project, place, error), c.message.empty());
        std::string message = c.message;
        for (std::size_t at; (at = message.find("DIR")) != std::string::npos;) {
            message.replace(at, 3, dir.path().string());
        }
        EXPECT_EQ(error, message);
    }
}

}  // namespace
