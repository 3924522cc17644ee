// Operators given as text, and pieces of text.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "Utility/CVarList.h"
#include "Utility/OperatorText.h"
#include "Utility/TextPieces.h"

TEST(OperatorText, ComparesByOperatorText) {
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

TEST(OperatorText, AppliesOperatorsAndRefusesUnrepresentableResults) {
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
