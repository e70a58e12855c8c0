// Where the result files go and how qorsolve knows its own earlier ones.
#include "qorsolve/output/result_paths.h"

#include <gtest/gtest.h>

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
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.write("result.csv", c.content);
        EXPECT_EQ(checkEarlierOutput(path, c.isOurs).state, c.state) << c.content;
    }
}

}  // namespace
