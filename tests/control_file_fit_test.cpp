// The cross-check of a control file against its binary data file: which side of its cell a
// single-cell restriction bounds, and which stored bounds that restriction explains.
#include "qorsolve/control_file_fit.h"

#include <gtest/gtest.h>

#include "common/bound_type.h"
#include "tests/solve_project.h"

namespace {

TEST(ControlFileFit, CellBoundsComeFromTheirLastRestriction) {
    const struct {
        const char* what;
        DeclaredRestriction restriction;  // on cell 0
        bool lowerSide;                   // the side it bounds
        double stored;                    // the bound stored on that side
        bool fits;
    } cases[] = {
        {"x > 3", declared(BOUND_LOWER, 3, NO_BOUND, {0}, {1}), true, 3, true},
        {"x > 3, stored 2", declared(BOUND_LOWER, 3, NO_BOUND, {0}, {1}), true, 2, false},
        {"-x > -7 bounds from above", declared(BOUND_LOWER, -7, NO_BOUND, {0}, {-1}), false, 7,
         true},
        {"2 x < 9", declared(BOUND_UPPER, -NO_BOUND, 9, {0}, {2}), false, 4.5, true},
        {"x > -3 as written", declared(BOUND_LOWER, -3, NO_BOUND, {0}, {1}), true, -3, true},
        {"x > -3 raised to 0", declared(BOUND_LOWER, -3, NO_BOUND, {0}, {1}), true, 0, true},
        {"x > 3 is not raised", declared(BOUND_LOWER, 3, NO_BOUND, {0}, {1}), true, 0, false},
        {"1 <= x <= 5 below", declared(BOUND_RANGE, 1, 5, {0}, {1}), true, 1, true},
        {"1 <= x <= 5 above", declared(BOUND_RANGE, 1, 5, {0}, {1}), false, 5, true},
        {"1 <= -x <= 5 above", declared(BOUND_RANGE, 1, 5, {0}, {-1}), false, -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool lower = false;
        bool upper = false;
        boundedSides(c.restriction, lower, upper);
        EXPECT_EQ(lower, c.lowerSide || c.restriction.type == BOUND_RANGE);
        EXPECT_EQ(upper, !c.lowerSide || c.restriction.type == BOUND_RANGE);

        Project project;
        project.cells.cellCount = 1;
        project.cells.lower = {c.lowerSide ? c.stored : 0.0};
        project.cells.upper = {c.lowerSide ? NO_BOUND : c.stored};
        project.control.restrictions = {c.restriction};
        const std::vector<int32_t> source = {1};
        const std::vector<int32_t> none = {0};
        EXPECT_EQ(cellBoundsFitControlFile(project, c.lowerSide ? source : none,
                                           c.lowerSide ? none : source),
                  c.fits);
    }
}

TEST(ControlFileFit, CellsWithoutRestrictionKeepTheDefaults) {
    Project project;
    project.cells.cellCount = 1;
    project.control.restrictions = {};
    const std::vector<int32_t> none = {0};
    for (double lower : {0.0, 1.0}) {
        for (double upper : {NO_BOUND, 7.0}) {
            project.cells.lower = {lower};
            project.cells.upper = {upper};
            EXPECT_EQ(cellBoundsFitControlFile(project, none, none),
                      lower == 0.0 && upper == NO_BOUND);
        }
    }
}

}  // namespace
