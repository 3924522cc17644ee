// Rule files: parsing, look-ups, numbers and the save-and-reload round trip.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <utility>

#include "support/TempDir.h"
#include "Utility/IniFile.h"

namespace {

CIniFile Parsed(const std::string& text) {
    CIniFile ini("unused.ini");
    EXPECT_TRUE(ini.LoadFromMemory(text.data(), text.size()));
    return ini;
}

// "section:key=value|..." of everything held, to compare whole contents.
std::string Dump(const CIniFile& ini) {
    std::string out;
    for (const auto& s : ini.Sections()) {
        out += "[" + s.name + "]";
        for (const auto& k : s.keys) {
            out += k.name + "=" + k.value + "|";
        }
    }
    return out;
}

class IniFiles : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir_ / "Rule"); }
    TempDir tmp_;
    const std::filesystem::path dir_{tmp_.Path()};
};

}  // namespace

TEST(IniParse, BlanksCaseAndRemarks) {
    const auto ini = Parsed(
        "[PlayerAlwaysWinInitInfo]\r\n"
        "  MinAlwaysWinNum \t=  25 \r\n"
        "RefreshTime=03:30:00 ; daily\n"
        "Url = a=b//c\n"
        "Empty =  \t\n"
        "=orphan\n"
        "no equals here\n"
        "// Commented=1\n"
        "; Semi=1\n"
        "#Hash=1\n");
    EXPECT_EQ(ini.ReadInteger("PlayerAlwaysWinInitInfo", "MinAlwaysWinNum", 0), 25);
    EXPECT_EQ(ini.ReadInteger("playeralwayswininitinfo", "minalwayswinnum", 0), 25);
    EXPECT_EQ(ini.ReadString("PlayerAlwaysWinInitInfo", "RefreshTime", ""), "03:30:00 ; daily");
    EXPECT_EQ(ini.ReadString("PlayerAlwaysWinInitInfo", "Url", ""), "a=b//c");
    // Blank values are dropped at load; "#" is no comment.
    EXPECT_EQ(Dump(ini),
              "[PlayerAlwaysWinInitInfo]MinAlwaysWinNum=25|RefreshTime=03:30:00 ; daily|Url=a=b//c|#Hash=1|");
    EXPECT_EQ(ini.ReadString("Missing", "x", nullptr), "");
}

TEST(IniParse, SectionsMergeKeysRepeatAndStrayLinesAreIgnored) {
    const auto ini = Parsed(
        "Before=1\n"
        "[]\n"
        "AfterEmptyHeader=1\n"
        "[A]\n"
        "K=first\n"
        "[ B ]\n"
        "K=b\n"
        "[a]\n"
        "K=second\n"
        "L=2\n"
        "[C]");  // no final line end, no keys
    EXPECT_EQ(Dump(ini), "[A]K=first|K=second|L=2|[ B ]K=b|[C]");
    EXPECT_EQ(ini.ReadString("A", "K", ""), "first");
    EXPECT_EQ(ini.FindSection("B"), nullptr);  // blanks inside the brackets belong to the name
    ASSERT_NE(ini.FindSection(" b "), nullptr);
    EXPECT_EQ(ini.FindSection(" b ")->hash, IniNameHash(" B "));
}

TEST(IniParse, NamesFoldEveryAsciiLetterAndNothingElse) {
    // Each letter, both ends of the alphabet included, in both cases; the bytes
    // just outside "A"-"Z" ("@", "[") and their lower partners stay distinct.
    for (char upper = 'A'; upper <= 'Z'; ++upper) {
        const char lower = static_cast<char>(upper - 'A' + 'a');
        const std::string section = std::string("S") + upper + "x", key = std::string("K") + lower + upper;
        const auto ini = Parsed("[" + section + "]\n" + key + "=7\n");
        const std::string otherSection = std::string("s") + lower + "X", otherKey = std::string("k") + upper + lower;
        EXPECT_EQ(ini.ReadInteger(otherSection.c_str(), otherKey.c_str(), 0), 7) << upper;
        EXPECT_EQ(IniNameHash(section), IniNameHash(otherSection.c_str())) << upper;
        EXPECT_TRUE(IniNamesEqual(key, otherKey.c_str())) << upper;
    }
    for (const auto& [a, b] : {std::pair{"@", "`"}, {"[", "{"}, {"\xC4", "\xE4"}}) {
        EXPECT_FALSE(IniNamesEqual(a, b)) << a;
        EXPECT_NE(IniNameHash(a), IniNameHash(b)) << a;
        EXPECT_EQ(Parsed(std::string("[S]\n") + a + "=1\n").ReadInteger("S", b, 0), 0) << a;
    }
}

TEST_F(IniFiles, LeadingByteOrderMarkIsSkipped) {
    const std::string marked = "\xEF\xBB\xBF[First]\nA=1\n[Second]\r\nB=2";
    EXPECT_EQ(Dump(Parsed(marked)), "[First]A=1|[Second]B=2|");
    const std::string path = (dir_ / "Rule" / "Marked.ini").string();
    WriteWholeFile(path, marked);
    CIniFile file(path.c_str());
    ASSERT_TRUE(file.LoadFromFile());
    EXPECT_EQ(Dump(file), "[First]A=1|[Second]B=2|");
    // Only a whole mark at the very start is one; elsewhere its bytes are text.
    EXPECT_EQ(Dump(Parsed("\xEF\xBB[S]\nA=1\n[T]\nB=2")), "[T]B=2|");
    EXPECT_EQ(Dump(Parsed("\xEF"
                          "ab[S]\nA=1")),
              "")
        << "a first byte alone is no mark";
    EXPECT_EQ(Dump(Parsed("\xEF\xBB"
                          "a[S]\nA=1")),
              "")
        << "nor are two";
    EXPECT_EQ(Dump(Parsed("\n\xEF\xBB\xBF[S]\nA=1")), "");
    EXPECT_EQ(Dump(Parsed("[S]\n\xEF\xBB\xBF"
                          "A=1")),
              "[S]\xEF\xBB\xBF"
              "A=1|");
    EXPECT_EQ(Dump(Parsed("\xEF\xBB\xBF")), "");
}

TEST(IniParse, WorksOnTheBytesGiven) {
    EXPECT_EQ(Parsed("[S]\rX=1\r\rY=2").ReadInteger("S", "Y", 0), 2);  // lone CRs end lines too
    const std::string text = "[S]\nX=12345";
    CIniFile ini("unused.ini");
    ASSERT_TRUE(ini.LoadFromMemory(text.data(), text.size() - 2));  // cut inside the value
    EXPECT_EQ(ini.ReadInteger("S", "X", 0), 123);
    // Embedded zero bytes are ordinary bytes of a value.
    const std::string withZero("[S]\nX=a\0b\n", 10);
    ASSERT_TRUE(ini.LoadFromMemory(withZero.data(), withZero.size()));
    EXPECT_EQ(ini.FindKey(*ini.FindSection("S"), "X")->value, std::string("a\0b", 3));
    EXPECT_TRUE(ini.LoadFromMemory(nullptr, 0));
    EXPECT_TRUE(ini.Sections().empty());
    EXPECT_FALSE(ini.LoadFromMemory(nullptr, 5));
}

TEST(IniRead, IntegersFollowStrtolAndSaturate) {
    const auto ini = Parsed("[N]\nabc=abc\nmix=12abc\nneg= -7\nbig=99999999999\nsmall=-99999999999\n");
    for (const auto& [key, value] :
         {std::pair{"abc", 0}, {"mix", 12}, {"neg", -7}, {"big", INT_MAX}, {"small", INT_MIN}}) {
        EXPECT_EQ(ini.ReadInteger("N", key, 5), value) << key;
    }
    EXPECT_EQ(ini.ReadInteger(nullptr, nullptr, 5), 5);
}

TEST(IniWrite, TypedWritersAndUpdates) {
    CIniFile ini("unused.ini");
    EXPECT_TRUE(ini.WriteInteger("S", "I", -3) && ini.WriteFloat("S", "F", 1.5f) &&
                ini.WriteFloat2("S", "F2", 1.0f, -2.0f) && ini.WriteFloat3("S", "F3", 0.0f, 0.5f, 1.0f) &&
                ini.WriteFloat4("S", "F4", 1, 2, 3, 4) && ini.WriteColor("S", "C", 0xFF102030u));
    EXPECT_TRUE(ini.WriteString("s", "i", "7"));  // folded: updates the first key
    EXPECT_EQ(Dump(ini),
              "[S]I=7|F=1.500000|F2=1.000000,-2.000000|F3=0.000000,0.500000,1.000000|"
              "F4=1.000000,2.000000,3.000000,4.000000|C=48,32,16,255|");
}

TEST_F(IniFiles, SaveReloadAndUnreadableFiles) {
    const std::string path = dir_.string() + "\\Rule\\Round.ini";
    const std::string text = "[A]\nK=first\nK=second\n[Empty]\n[B]\nV = x = y ; z\n";
    CIniFile ini(path.c_str());
    ASSERT_TRUE(ini.LoadFromMemory(text.data(), text.size()));
    ASSERT_TRUE(ini.WriteString("New", "Blank", ""));  // written as "Blank=", dropped on reload
    ASSERT_TRUE(ini.SaveToFile());

    EXPECT_EQ(ReadWholeFile((dir_ / "Rule" / "Round.ini").string()),
              "[A]\r\nK=first\r\nK=second\r\n\r\n[Empty]\r\n\r\n[B]\r\nV=x = y ; z\r\n\r\n[New]\r\nBlank=\r\n\r\n");

    CIniFile back(path.c_str());
    ASSERT_TRUE(back.LoadFromFile());
    EXPECT_EQ(Dump(back), "[A]K=first|K=second|[Empty][B]V=x = y ; z|[New]");

    // An unreadable file leaves nothing of what was held before.
    CIniFile gone((dir_ / "Rule" / "Gone.ini").string().c_str());
    gone.WriteString("S", "K", "v");
    EXPECT_FALSE(gone.LoadFromFile());
    EXPECT_EQ(gone.ReadInteger("S", "K", 11), 11);
    CIniFile directory((dir_ / "Rule").string().c_str());
    EXPECT_FALSE(directory.LoadFromFile());
    EXPECT_FALSE(CIniFile((dir_ / "NoSuchDir" / "x.ini").string().c_str()).SaveToFile());
    EXPECT_FALSE(CIniFile("").LoadFromFile());
}
