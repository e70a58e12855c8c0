// The number conversions of table descriptions and base files against the C library's.
#include "qorlex/model/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

void expectSameAsStrtod(const std::string& text) {
    char* strtodEnd = nullptr;
    const double expected = std::strtod(text.c_str(), &strtodEnd);
    const char* end = nullptr;
    const double actual = parseReal(text.c_str(), text.c_str() + text.size(), &end);
    EXPECT_EQ(std::memcmp(&expected, &actual, sizeof(double)), 0) << "value of \"" << text << "\"";
    EXPECT_EQ(end, strtodEnd) << "end of \"" << text << "\"";
}

TEST(NumberText, ParseRealMatchesStrtodOnEdgeCases) {
    // Signs and points, exponents (D as E), hex, inf and nan, the ends of the range and its
    // rounding, and what is no number or starts with blanks.
    // clang-format off
    const std::string texts[] = {
        "0", "-0", "+0", "12", "+5", "-3", "1.", "1.5", ".5", "-.5", "+.5", ".", "-.", "+-5", "--5",
        "1.5D2", "1.5d2", "1.5E3", "1.5e-3", "2.E+05", "1e", "1e+", "1ex",
        "0x1p3", "0X10", "-0x", "inf", "-Infinity", "nan", "nan(12)",
        "1e400", "-1e400", "1e-400", "4.9e-324", "2.2250738585072011e-308",
        "2.2250738585072014e-308", "1.7976931348623157e308", "1.7976931348623159e308",
        "9007199254740993", "0.1000000000000000055511151231257827",
        "123456789012345678901234567890e-30", std::string(400, '9'),
        "0." + std::string(400, '0') + "1", "1" + std::string(310, '0') + ".5",
        "1,5", "", "x", " 7", "\t-2", "\v3"};
    // clang-format on
    for (const std::string& text : texts) expectSameAsStrtod(text);
}

// Random text of the number letters, and random numbers as the scanner's tokens spell them.
TEST(NumberText, ParseRealMatchesStrtodOnRandomText) {
    std::mt19937 random(12345);
    std::mt19937_64 tokenRandom(777);
    const std::string alphabet = "0123456789012345678901234567890123456789+-.eEDdxXpPinfatyINF()";
    auto digits = [&](int most) {
        std::string text;
        const int count = 1 + static_cast<int>(tokenRandom() % static_cast<unsigned>(most));
        for (int i = 0; i < count; ++i) text += static_cast<char>('0' + tokenRandom() % 10);
        return text;
    };
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 24);
        for (int j = 0; j < length; ++j) text += alphabet[random() % alphabet.size()];
        expectSameAsStrtod(text);

        std::string token = tokenRandom() % 3 == 0 ? (tokenRandom() % 2 ? "-" : "+") : "";
        token += digits(20);
        if (tokenRandom() % 2) {
            token += '.';
            if (tokenRandom() % 4) token += digits(20);
            if (tokenRandom() % 2) {
                token += "EeDd"[tokenRandom() % 4];
                if (tokenRandom() % 2) token += tokenRandom() % 2 ? '-' : '+';
                token += digits(3);
            }
        }
        expectSameAsStrtod(token);
        if (HasFailure()) return;
    }
}

TEST(NumberText, LeadingIntegerSaturates) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"0", 0},
        {"17", 17},
        {"+17", 17},
        {"-17", -17},
        {"12abc", 12},
        {"abc", 0},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"99999999999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999999999999999999", INT32_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(leadingInteger(c.text), c.value) << c.text;
}

// The exponent letters of a number token: E, e, D and d alike.
TEST(NumberText, TokenRealTakesDAsExponent) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"1.5D3", 1500}, {"1.5d-2", 0.015}, {"-2.D+1", -20},       {"1.5E3", 1500},
        {"7", 7},        {"1.5", 1.5},      {"1.0D400", HUGE_VAL},
    };
    for (const auto& c : cases) EXPECT_EQ(tokenReal(c.text), c.value) << c.text;
}

}  // namespace
