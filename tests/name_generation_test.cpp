// Names for the description made from labels as written: readable, unique, never a keyword,
// and within the translator's name store.
#include "qorimport/name_generation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(NameGeneration, TrickyLabels) {
    const struct {
        std::vector<std::string> labels;
        std::vector<std::string> names;
    } cases[] = {
        // Letters with a plain form, words joined, signs read as words.
        {{"Z\xc3\xbcrich", "Gen\xc3\xa8ve", "Sankt Gallen", "Graub\xc3\xbcnden",
          "\xc5\x81\xc3\xb3"
          "d\xc5\xba"},
         {"Zuerich", "Geneve", "SanktGallen", "Graubuenden", "Lodz"}},
        {{"0-14", "15-64", "65+", "< 5", "100%", "a & b", "St. Gallen", "e-mail"},
         {"A0bis14", "A15bis64", "A65plus", "unter5", "A100Prozent", "aUndB", "StGallen", "eMail"}},
        // Two labels that give one name: the later ones get the lowest free number, also past
        // a label that gives the numbered name itself.
        {{"Zuerich", "Z\xc3\xbcrich", "Zuerich2", "zuerich"},
         {"Zuerich", "Zuerich3", "Zuerich2", "zuerich"}},
        // Keywords in any case, and what only begins like one.
        {{"Rest", "REST", "Klasse", "basis", "Basis", "ENDE", "Ende gut", "Basisjahr",
          "Restaurant"},
         {"ARest", "AREST", "AKlasse", "Abasis", "ABasis", "AENDE", "EndeGut", "Basisjahr",
          "ARestaurant"}},
        // Labels with no letter or digit at all, and none with a plain form.
        {{"*", "\xe2\x80\x93", "", "\xe5\x8c\x97\xe4\xba\xac", "?"},
         {"A1", "A2", "A3", "A4", "A5"}},
    };
    for (const auto& c : cases) EXPECT_EQ(uniqueNames(c.labels, 'A'), c.names) << c.labels[0];
}

TEST(NameGeneration, NamesAreShortAndScannable) {
    const std::string label(200, 'x');
    const std::vector<std::string> names = uniqueNames({label, label + "y"}, 'K');
    EXPECT_EQ(names[0].size(), MAX_NAME_CHARS);
    EXPECT_EQ(names[1], names[0] + "2");
    for (const std::string& name : uniqueNames({"Klasse", "9", "rest"}, 'K')) {
        EXPECT_FALSE(isReservedName(name)) << name;
        EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(name[0]))) << name;
    }
}

// Ten blocks of 10000 bytes; a name and its zero byte never straddle two.
TEST(NameGeneration, NameStore) {
    EXPECT_TRUE(fitNameStore(std::vector<std::size_t>(10000, 9)));
    EXPECT_FALSE(fitNameStore(std::vector<std::size_t>(10001, 9)));
    // 9998 bytes in each block leave 2, too few for the next name of 2.
    std::vector<std::size_t> lengths;
    for (int block = 0; block < 10; ++block) lengths.push_back(9997);
    EXPECT_TRUE(fitNameStore(lengths));
    lengths.insert(lengths.begin() + 1, 1);
    EXPECT_TRUE(fitNameStore(lengths));
    lengths.insert(lengths.begin() + 1, 2);
    EXPECT_FALSE(fitNameStore(lengths));
    EXPECT_FALSE(fitNameStore({10000}));
}

}  // namespace
