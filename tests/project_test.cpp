// Loading a project: an argument that names one of a project's files instead of the project.
#include "common/project.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "qorlex/driver/qorlex_run.h"
#include "tests/test_files.h"

namespace {

TEST(Project, ProjectFileGivenForTheProject) {
    TempDir dir;
    const std::string description =
        dir.write("t.txt", "KLASSEN 1; AUSPR 1 = 2; BASIS (_) 1 2; REST");
    std::ostringstream out;
    ASSERT_EQ(runQorlex({description, dir / "pop"}, out, out), 0);
    ASSERT_EQ(runQorlex({description, dir / "odd-ctr.dat"}, out, out), 0);

    struct Case {
        std::string argument;
        ProjectFault fault;
        std::string meant;
    };
    const Case cases[] = {
        {dir / "pop", ProjectFault::NONE, ""},
        {dir / "pop-bin.dat", ProjectFault::FILE_FOR_PROJECT, dir / "pop"},
        {dir / "pop-lbl.dat", ProjectFault::FILE_FOR_PROJECT, dir / "pop"},
        {dir / "pop-ctr.dat", ProjectFault::FILE_FOR_PROJECT, dir / "pop"},
        {dir / "other-bin.dat", ProjectFault::FILE_FOR_PROJECT, dir / "other"},
        {dir / "odd-ctr.dat", ProjectFault::NONE, ""},  // a project of that name
        {dir / "pop-bin.data", ProjectFault::CANNOT_OPEN, ""},
        {"-bin.dat", ProjectFault::CANNOT_OPEN, ""},
    };
    for (const Case& c : cases) {
        Project project;
        const ProjectError error = loadProject(c.argument, project);
        EXPECT_EQ(error.fault, c.fault) << c.argument;
        if (c.fault == ProjectFault::FILE_FOR_PROJECT) {
            EXPECT_EQ(projectErrorMessage(error),
                      "Error: A project name is expected, not the project file " + c.argument +
                          "; the project is " + c.meant + "\n");
        }
    }
}

}  // namespace
