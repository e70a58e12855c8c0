// The names a misspelt name is taken to mean.
#include "qorlex/model/nearest_names.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using Names = std::vector<std::string_view>;

TEST(NearestNames, SharedBeginningOrFewEdits) {
    const Names regions = {"Zuerich", "Geneve", "SanktGallen", "Graubuenden", "Genua"};
    const struct {
        std::string_view name;
        Names nearest;
    } cases[] = {
        {"Genf", {"Genua", "Geneve"}},  // three letters shared; the nearer first
        {"zuerich", {"Zuerich"}},       // letter case is no difference
        {"Zurich", {"Zuerich"}},        // one edit in seven letters
        {"Sankt", {"SanktGallen"}},     // the beginning only
        {"Bern", {}},
        {"Ge", {}},  // too short to share three letters, too far for edits
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(nearestNames(c.name, regions, 3), c.nearest) << c.name;
}

TEST(NearestNames, AtMostTheNumberAskedForInDeclarationOrderOfEqualDistance) {
    const Names ages = {"A0bis14", "A15bis64", "A65plus", "A0bis4", "A5bis14"};
    EXPECT_EQ(nearestNames("A0bis1", ages, 2), (Names{"A0bis14", "A0bis4"}));
    EXPECT_EQ(nearestNames("x", ages, 0), Names{});
}

TEST(NearestNames, LongNamesAreComparedByTheirBeginning) {
    const std::string longName(5000, 'a');
    const std::string other = "abc" + std::string(4997, 'x');
    const Names names = {longName, other};
    EXPECT_EQ(nearestNames(std::string(4999, 'a') + "b", names, 3), (Names{longName}));
    EXPECT_EQ(nearestNames("abd", names, 3), Names{});
}

}  // namespace
