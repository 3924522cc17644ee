// Numbers and identifiers as text, and random draws.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <utility>

#include "Utility/NumberText.h"
#include "Utility/RandomNumbers.h"

TEST(NumberText, PrintsNumbersAndIdentifiers) {
    EXPECT_EQ(IntToWide(-42), u"-42");
    EXPECT_EQ(FloatToString(1.5f, 2), "1.50");
    EXPECT_EQ(FloatToString(1.5f, 0), "1.500000");
    EXPECT_EQ(FloatToWide(0.125f, 5), u"0.12500");
    // The widest float still prints whole.
    EXPECT_EQ(FloatToString(-3.4028235e38f, 0).size(), 47u);
    EXPECT_EQ(ObjectIdToWide(ObjectId{0xFFFFFFFFu, 7}), u"-1.7");
}

TEST(NumberText, ReadsNumbersWithSaturation) {
    EXPECT_EQ(StringToInt(nullptr) + StringToInt("abc") + WideToInt(u"x12"), 0);
    EXPECT_EQ(StringToInt("  -12abc"), -12);
    EXPECT_EQ(StringToInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(StringToInt("-3000000000"), INT_MIN);
    EXPECT_TRUE(std::isinf(StringToFloat("1e300")));

    EXPECT_EQ(WideToInt(u"  77 apples"), 77);
    // Only 31 characters are read: 40 digits still saturate, but a number
    // that begins after the 31st character is never seen.
    EXPECT_EQ(WideToInt(u"1234567890123456789012345678901234567890"), INT_MAX);
    EXPECT_EQ(WideToInt((std::u16string(31, u' ') + u"5").c_str()), 0);
    EXPECT_EQ(WideToInt((std::u16string(30, u' ') + u"5").c_str()), 5);
    EXPECT_FLOAT_EQ(WideToFloat(u"-0.25"), -0.25f);
    EXPECT_EQ(WideToInt(u"12\u4e2d3"), 12);
}

TEST(NumberText, ReadsObjectIdentifiers) {
    // Leading dots are skipped; the second part is read as a number.
    const std::pair<const char*, ObjectId> cases[] = {{"12.34", {12, 34}}, {"..12.34", {12, 34}},
                                                      {"1.2.3", {1, 2}},   {"-1.-2", {0xFFFFFFFFu, 0xFFFFFFFEu}},
                                                      {"12.", {}},         {"12", {}},
                                                      {"...", {}},         {nullptr, {}}};
    for (const auto& [text, id] : cases) {
        EXPECT_EQ(StringToObjectId(text), id) << (text ? text : "null");
    }
    std::string longText = "1." + std::string(253, '2');
    EXPECT_EQ(StringToObjectId(longText.c_str()).ident, 1u);
    longText += "2";  // 256 characters
    EXPECT_EQ(StringToObjectId(longText.c_str()), ObjectId{});
    EXPECT_EQ(WideToObjectId(u"5.6"), (ObjectId{5, 6}));
    EXPECT_EQ(WideToObjectId(nullptr), ObjectId{});
    EXPECT_EQ(ObjectIdToString(StringToObjectId("-5.2147483647")), "-5.2147483647");
}

TEST(NumberText, RandomDrawsStayInRange) {
    EXPECT_EQ(RandomBelow(0), 0);
    EXPECT_EQ(RandomBelow(32769), 0);
    EXPECT_EQ(RandomBelowLarge((1 << 30) + 1), 0);
    EXPECT_EQ(RandomFloatBelow(-1.0f), 0.0f);
    for (int i = 0; i < 2000; ++i) {
        const int a = RandomBelow(7), b = RandomBelowLarge(1 << 30);
        const float c = RandomFloatBelow(2.0f);
        ASSERT_TRUE(a >= 0 && a < 7 && b >= 0 && b < (1 << 30) && c >= 0.0f && c < 2.0f) << a << " " << b << " " << c;
    }
}
