// Narrow and wide text in code pages, and the platform services behind them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "Utility/GuidText.h"
#include "Utility/LocalTimeText.h"
#include "support/TempDir.h"
#include "Utility/Platform.h"
#include "Utility/WideText.h"

TEST(WideText, Utf8BothWays) {
    EXPECT_EQ(StringToWide("\xE4\xBD\xA0\xE5\xA5\xBD", 65001), u"\u4f60\u597d");
    EXPECT_EQ(StringToWide("\xF0\x9F\x98\x80", 65001), u"\U0001F600");
    EXPECT_EQ(WideToString(u"\U0001F600", 65001), "\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToString(u"\u00e9t\u00e9", 65001), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(StringToWide(nullptr), u"");
    EXPECT_EQ(WideToString(nullptr), "");
    // The standard-string form stops at an embedded zero, as a C string would.
    EXPECT_EQ(StringToWide(std::string("ab\0cd", 5)), u"ab");
}

// Code page 0 is the system's default: UTF-8 on POSIX, the ANSI code page on
// Windows (1252 under a Western Wine or Windows, 936 on a Chinese one).
TEST(WideText, CodePageZeroIsTheSystemDefault) {
#if defined(_WIN32)
    EXPECT_NE(Platform::DefaultCodePage(), 0u);
#else
    EXPECT_EQ(Platform::DefaultCodePage(), 65001u);
#endif
    const unsigned system = Platform::DefaultCodePage();
    const std::u16string wide = u"caf\u00e9 \u00c6r\u00f8";
    const std::string narrow = WideToString(wide.c_str(), system);
    ASSERT_FALSE(narrow.empty());
    EXPECT_EQ(WideToString(wide.c_str()), narrow);
    EXPECT_EQ(StringToWide(narrow), wide);
}

TEST(WideText, LongTextIsNeverCut) {
    const std::string narrow(300, 'q');
    EXPECT_EQ(StringToWide(narrow), std::u16string(300, u'q'));
    // 200 units of three UTF-8 bytes each: 600 bytes, past any fixed 512.
    const std::u16string wide(200, u'\u4e2d');
    const std::string out = WideToString(wide.c_str(), 65001);
    EXPECT_EQ(out.size(), 600u);
    EXPECT_EQ(StringToWide(out, 65001), wide);
}

TEST(WideText, MalformedTextGivesEmpty) {
    EXPECT_EQ(StringToWide("ok\xC0\xAF", 65001), u"");        // overlong "/"
    EXPECT_EQ(StringToWide("\xED\xA0\x80", 65001), u"");      // an encoded surrogate
    EXPECT_EQ(StringToWide("\xE4\xBD", 65001), u"");          // cut sequence at the end
    EXPECT_EQ(StringToWide("\xF4\x90\x80\x80", 65001), u"");  // past U+10FFFF
    const char16_t loneHigh[] = {u'a', 0xD800, u'b', 0}, loneLow[] = {0xDC00, 0};
    EXPECT_EQ(WideToString(loneHigh, 65001) + WideToString(loneLow, 65001), "");
    EXPECT_EQ(StringToWide("abc", 12345), u"");  // no such code page
}

TEST(WideText, OtherCodePagesGoThroughTheSystem) {
    const char* gbk = "\xC4\xE3\xBA\xC3";  // two Chinese characters in code page 936
    EXPECT_EQ(StringToWide(gbk, 936), u"\u4f60\u597d");
    EXPECT_EQ(WideToString(u"\u4f60\u597d", 936), gbk);
    EXPECT_EQ(StringToWide("\x80", 1252), u"\u20ac");
    EXPECT_EQ(WideToString(u"\u20ac", 1252), "\x80");
    EXPECT_EQ(WideToString(u"\u4f60", 1252), "");  // not in that code page
    const std::string longGbk = std::string(400, 'x') + gbk;
    EXPECT_EQ(StringToWide(longGbk, 936).size(), 402u);
}

// GB18030 is one of the code pages that Windows refuses to ask whether a
// default character was used: the conversion must not ask.
TEST(WideText, Gb18030BothWays) {
    if (StringToWide("a", 54936).empty()) GTEST_SKIP() << "this system has no code page 54936 (Wine 8 lacks it)";
    const char* gb = "\xC4\xE3\xBA\xC3\x81\x30\x81\x30";  // two Chinese characters, then U+0080 in four bytes
    EXPECT_EQ(StringToWide(gb, 54936), u"\u4f60\u597d\u0080");
    EXPECT_EQ(WideToString(u"\u4f60\u597d\u0080", 54936), gb);
}

TEST(Platform, PathsWithBackslashesOpenAndDirectoriesAreMade) {
#if defined(_WIN32)
    EXPECT_EQ(Platform::NativePath("Rule\\Top\\a.ini"), "Rule\\Top\\a.ini");  // already native
#else
    EXPECT_EQ(Platform::NativePath("Rule\\Top\\a.ini"), "Rule/Top/a.ini");
#endif
    EXPECT_EQ(Platform::NativePath(nullptr), "");

    const TempDir base;
    const std::string dir = base.Path() + "\\Rule";
    EXPECT_TRUE(Platform::MakeDirectory(dir.c_str()));
    EXPECT_TRUE(Platform::MakeDirectory(dir.c_str()));  // already there
    const std::string file = dir + "\\x.ini";
    std::FILE* f = Platform::OpenFile(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(std::filesystem::exists(base.Path() + "/Rule/x.ini"));
    EXPECT_FALSE(Platform::MakeDirectory((file + "\\sub").c_str()));  // under a file
    EXPECT_EQ(Platform::OpenFile(nullptr, "rb"), nullptr);
    EXPECT_EQ(Platform::OpenFile((dir + "\\missing").c_str(), "rb"), nullptr);
}

TEST(Platform, GuidsTicksAndPauses) {
    const std::string a = NewGuidText();
    const std::string b = NewGuidText();
    ASSERT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_NE(a, b);
    EXPECT_EQ(a[12], '4');  // a random (version 4) GUID, fields printed in order

    const unsigned start = Platform::TickCountMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const unsigned elapsed = ElapsedTicks(start);
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 10000u);
}
