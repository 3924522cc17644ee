// Numbers, identifiers and operators given as text.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <utility>

#include "Utility/CVarList.h"
#include "Utility/TextConvert.h"

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
    const std::pair<const char*, ObjectId> cases[] = {
        {"12.34", {12, 34}}, {"..12.34", {12, 34}}, {"1.2.3", {1, 2}}, {"-1.-2", {0xFFFFFFFFu, 0xFFFFFFFEu}},
        {"12.", {}},         {"12", {}},            {"...", {}},       {nullptr, {}}};
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

TEST(NumberText, ComparesByOperatorText) {
    EXPECT_TRUE(CompareInt(3, 3, "=="));
    EXPECT_FALSE(CompareInt(3, 3, "="));
    EXPECT_FALSE(CompareInt(3, 3, nullptr));
    EXPECT_FALSE(CompareInt(2, 3, "=>"));
    const float nan = std::nanf("");
    EXPECT_TRUE(CompareFloat(nan, 1.0f, "!="));
    EXPECT_FALSE(CompareFloat(nan, nan, "=="));
    // Bytes compare unsigned: 0xE4 sorts after 'z'; a prefix sorts first.
    EXPECT_TRUE(CompareString("\xE4", "z", ">"));
    EXPECT_TRUE(CompareString("ab", "abc", "<"));
    EXPECT_TRUE(CompareWide(u"\uFF01", u"a", ">"));
    EXPECT_TRUE(CompareWide(u"x", u"x", ">="));
}

TEST(NumberText, AppliesOperatorsAndRefusesUnrepresentableResults) {
    int v = -7;
    EXPECT_TRUE(ApplyInt(v, 2, "/"));
    EXPECT_EQ(v, -3);  // truncation toward zero
    EXPECT_FALSE(ApplyInt(v, 5, "=="));
    EXPECT_FALSE(ApplyInt(v, 0, "/"));
    EXPECT_EQ(v, -3);
    v = INT_MIN;
    EXPECT_FALSE(ApplyInt(v, -1, "/"));
    EXPECT_FALSE(ApplyInt(v, 1, "-"));
    EXPECT_FALSE(ApplyInt(v, -1, "*"));
    EXPECT_EQ(v, INT_MIN);
    EXPECT_TRUE(ApplyInt(v, 10, "=") && ApplyInt(v, 5, "+") && ApplyInt(v, 2, "*") && ApplyInt(v, 1, "-"));
    EXPECT_EQ(v, 29);

    float f = 1.0f;
    EXPECT_TRUE(ApplyFloat(f, 0.5f, "+") && ApplyFloat(f, 2.0f, "/"));
    EXPECT_FLOAT_EQ(f, 0.75f);
    EXPECT_FALSE(ApplyFloat(f, 1.0f, "%"));
    EXPECT_FLOAT_EQ(f, 0.75f);
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

TEST(PiecesOfText, SplitsTrimsAndJoins) {
    auto pieces = [](const std::string& text, const std::string& delims, unsigned limit) {
        CVarList list;
        Split(list, text, delims, limit);
        std::string joined;
        for (std::size_t i = 0; i < list.Size(); ++i) {
            joined += std::string("[") + list.StringAt(i) + "]";
        }
        return joined;
    };
    EXPECT_EQ(pieces("", ",", 0), "[]");
    EXPECT_EQ(pieces(",,a,;b;", ",;", 0), "[a][b]");
    EXPECT_EQ(pieces("a b", "", 0), "[a b]");
    // The limit counts delimiter runs, a leading run included.
    EXPECT_EQ(pieces("a,b,c,d", ",", 2), "[a][b][c,d]");
    EXPECT_EQ(pieces(",a,b,c", ",", 2), "[a][b,c]");
    EXPECT_EQ(pieces("a,,b", ",", 1), "[a][b]");

    auto trimmed = [](std::string s, bool left, bool right) { return Trim(s, left, right), s; };
    EXPECT_EQ(trimmed("\n x \t", true, true), "\n x");
    EXPECT_EQ(trimmed(" \r", true, false), "");
    EXPECT_EQ(trimmed(" a ", false, true), " a");

    EXPECT_EQ(JoinFields(u"", u"", u"", u"", u""), u",,,,;");
    EXPECT_EQ(JoinFields(u"13014999", u"1", u"", u"", u""), u"13014999,1,,,;");
}
