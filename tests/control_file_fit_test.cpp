// The cross-check of a control file against its binary data file: the values of each row as
// qorlex writes them for its declared restriction, which side of its cell a single-cell
// restriction bounds, and which stored bounds that restriction explains.
#include "qorsolve/problem/control_file_fit.h"

#include <gtest/gtest.h>

#include <limits>

#include "common/bound_type.h"
#include "tests/solve_project.h"

namespace {

// Restriction 5 of the small project is hard row 2, weak restriction 3 weak row 1.
TEST(ControlFileFit, RowsHoldExactlyTheValuesWrittenForTheirRelation) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        int32_t type;
        double declaredLower, declaredUpper;  // the control file's record
        double rowLower, rowUpper;            // the binary data file's row
        bool fits;
    } cases[] = {
        {"> as written", BOUND_LOWER, 1500, NO_BOUND, 1500, NO_BOUND, true},
        {"> whose row has no 1e38 above", BOUND_LOWER, 1500, NO_BOUND, 1500, 9.4e-312, false},
        {"> whose record has no 1e38 above", BOUND_LOWER, 1500, 9, 1500, 9, false},
        {"< as written", BOUND_UPPER, -NO_BOUND, 9, -NO_BOUND, 9, true},
        {"< whose row has 0 below", BOUND_UPPER, -NO_BOUND, 9, 0, 9, false},
        {"< whose record has 0 below", BOUND_UPPER, 0, 9, 0, 9, false},
        {"= as written", BOUND_EQUAL, 1500, 1500, 1500, 1500, true},
        {"= whose row's upper value is off", BOUND_EQUAL, 1500, 1500, 1500, 1500.0000000001164,
         false},
        {"= whose record's upper value is off", BOUND_EQUAL, 1500, 1501, 1500, 1500, false},
        {"| as written", BOUND_RANGE, 0, 9, 0, 9, true},
        {"| whose row has -0 below", BOUND_RANGE, 0, 9, -0.0, 9, false},
        {"| whose values are NaN", BOUND_RANGE, nan, 9, nan, 9, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Project project = solveProject();
        project.control.restrictions[4] =
            declared(c.type, c.declaredLower, c.declaredUpper, {0, 2}, {1, 1});
        project.hard.boundType[1] = c.type;
        project.hard.lowerValue[1] = c.rowLower;
        project.hard.upperValue[1] = c.rowUpper;
        EXPECT_EQ(rowsFitControlFile(project, destinations(project)), c.fits);
    }
    const struct {
        double declaredLower, declaredUpper, target;
        bool fits;
    } weak[] = {{6, 6, 6, true}, {6, 6, 6.000000000000001, false}, {6, 7, 6, false}};
    for (const auto& c : weak) {
        Project project = solveProject();
        project.control.restrictions[2].lowerValue = c.declaredLower;
        project.control.restrictions[2].upperValue = c.declaredUpper;
        project.weak.target[0] = c.target;
        EXPECT_EQ(rowsFitControlFile(project, destinations(project)), c.fits) << c.target;
    }
}

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
