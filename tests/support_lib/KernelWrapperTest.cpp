// Class definitions and object data from XML files, through the reference host.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/AllocationControl.h"
#include "support/KernelFixture.h"
#include "Utility/KernelWrapper.h"
#include "Utility/WideText.h"

namespace {

using Strings = std::vector<std::string>;

class ClassFromXmlTest : public KernelFixture {
protected:
    void SetUp() override {
        KernelFixture::SetUp();
        hero_ = kernel_.DefineClass("Hero");
    }
    // What was registered, as text ("-" for nothing); types by code: 2 int,
    // 3 float, 4 string, 5 wide string, 6 object.
    std::string Prop(const char* name) {
        const auto* p = kernel_.ClassProperty("Hero", name);
        return p == nullptr ? "-"
                            : std::to_string(p->type) + (p->save ? " save" : "") + (p->isPublic ? " public" : "") +
                                  (p->isPrivate ? " private" : "") + " mode" + std::to_string(p->saveMode);
    }
    std::string Rec(const char* name) {
        const auto* r = kernel_.ClassRecord("Hero", name);
        if (r == nullptr) return "-";
        std::string text = std::to_string(r->cols) + "x" + std::to_string(r->maxRows) + (r->save ? " save" : "") +
                           " mode" + std::to_string(r->saveMode) + " types";
        for (int type : r->colTypes) text += " " + std::to_string(type);
        return r->visibleName.empty() ? text : text + " visible " + r->visibleName;
    }
    int hero_ = -1;
};

TEST_F(ClassFromXmlTest, FlagsChooseTheRegistration) {
    WriteResource("Class\\hero.xml", R"(<?xml version="1.0" encoding="utf-8"?><Object><BaseProperties>
    <Property Id="ColWins" Type="int" Save="1" Col="true" Xml="true" Description="col over xml"/>
    <Property Id="XmlOnly" Type="float" Save="true" Xml="1"/>
    <Property Id="Plain" Type="string" Save="true"/>
    <Property Id="NoSave" Type="wstring" Col="1"/>
    <Property Id="PubSaved" Type="dword" Public="true" Save="true"/>
    <Property Id="PrivCol" Type="object" Private="1" Save="1" Col="1"/>
    <Property Id="PubXml" Type="byte" Public="1" Save="1" Xml="1"/>
    <Property Id="Yes" Type="word" Save="yes" Public="yes"/>
    <Property Id="NoType"/><Property Type="int"/></BaseProperties><RecordProperties>
  <Record Id="Bag" Cols="3" MaxRows="20" Save="1" Col="1" Visible="true">
    <Column Type="int"/><Column Type="wstring"/><Column Type="object"/></Record>
  <Record Id="Saved" Cols="2" MaxRows="5" Save="true"><Column Type="float"/><Column Type="string"/></Record>
  <Record Id="ColOnly" Cols="1" MaxRows="5" Col="true"/>
  <Record Id="NoRows" Cols="3"><Column Type="int"/></Record>
  <Record Id="BadCols" Cols="three" MaxRows="5"/><Record Id="Trailing" Cols="3x" MaxRows="5"/>
  <Record Id="Huge" Cols="99999999999" MaxRows="5"/><Record Cols="1" MaxRows="1"/>
</RecordProperties></Object>)");
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, hero_, "Class\\hero.xml"), 1);

    const std::pair<const char*, const char*> expected[] = {{"ColWins", "2 save mode2"},
                                                            {"XmlOnly", "3 save mode3"},
                                                            {"Plain", "4 save mode0"},
                                                            {"NoSave", "5 mode0"},
                                                            {"PubSaved", "2 save public mode0"},
                                                            {"PrivCol", "6 save private mode2"},
                                                            {"PubXml", "2 save public mode3"},
                                                            {"Yes", "2 mode0"},
                                                            {"NoType", "-"}};  // skipped, not registered with type 0
    for (const auto& [name, text] : expected) EXPECT_EQ(Prop(name), text) << name;
    // Records need whole integer Cols and MaxRows.
    EXPECT_EQ(Rec("Bag"), "3x20 save mode2 types 2 5 6 visible Bag");
    EXPECT_EQ(Rec("Saved"), "2x5 save mode1 types 3 4");  // the plain form: save without col is no mode 2
    EXPECT_EQ(Rec("ColOnly"), "1x5 mode0 types 0");
    for (const char* skipped : {"NoRows", "BadCols", "Trailing", "Huge"}) EXPECT_EQ(Rec(skipped), "-") << skipped;
    EXPECT_TRUE(kernel_.Logs().empty());
}

TEST_F(ClassFromXmlTest, RefusalsAreLoggedAndLoadingGoesOn) {
    const char* xml = R"(<Object><BaseProperties><Property Id="Level" Type="int"/><Property Id="Exp" Type="int"/>
  </BaseProperties><RecordProperties><Record Id="Bag" Cols="2" MaxRows="5">
  <Column Type="string"/><Column Type="float"/><Column Type="int"/></Record></RecordProperties></Object>)";
    WriteResource("hero.xml", xml);
    kernel_.AddClassProperty(hero_, "Level", VT_INT, false, "");
    kernel_.AddClassRecord(hero_, "Bag", 2, 5, false);
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, hero_, "hero.xml"), 1);
    EXPECT_EQ(Prop("Exp"), "2 mode0");
    EXPECT_EQ(Rec("Bag"), "2x5 mode0 types 4 3");  // column types sent despite the refusal
    const Strings expected = {
        "OnCreateClassFromXml失败: xml=hero.xml, id=Level",
        "..\\Utility\\KernelWrapper (185)",
        "OnCreateClassFromXml失败: 添加表失败:[Bag] hero.xml",
        "..\\Utility\\KernelWrapper (201)",
        "OnCreateClassFromXml失败: 设置表的列类型失败:[Bag] [2] hero.xml",
        "..\\Utility\\KernelWrapper (212)",
    };
    EXPECT_EQ(kernel_.Traces(), expected);
    EXPECT_EQ(kernel_.Logs(), expected);

    kernel_.ClearLogs();
    WriteResource("vis.xml", R"(<Object><RecordProperties><Record Id="R" Cols="1" MaxRows="1" Visible="1"/>
      </RecordProperties></Object>)");
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, 9999, "vis.xml"), 1);  // no such class
    const Strings visibility = {"OnCreateClassFromXml失败: 添加表失败:[R] vis.xml", "..\\Utility\\KernelWrapper (201)",
                                "OnCreateClassFromXml失败: 设置表的可见失败:[R] vis.xml",
                                "..\\Utility\\KernelWrapper (220)"};
    EXPECT_EQ(kernel_.Logs(), visibility);
}

// A 200-byte file must not make the host allocate for 2^31 columns or rows:
// such records are refused with a diagnostic naming the bound, the loader logs
// the refusals and goes on, and a record at the bound takes rows one by one.
TEST_F(ClassFromXmlTest, RecordSizesBeyondTheHostsBoundAreRefusedWithoutAllocatingThem) {
    WriteResource("huge.xml", R"(<Object><RecordProperties><Record Id="Wide" Cols="2147483647" MaxRows="5"/>
  <Record Id="Deep" Cols="2" MaxRows="2147483647"><Column Type="int"/></Record>
  <Record Id="Fine" Cols="256" MaxRows="65536"/></RecordProperties></Object>)");
    const ScopedSizeLimit limit(1 << 20);
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, hero_, "huge.xml"), 1);
    EXPECT_EQ(Rec("Wide") + Rec("Deep"), "--");
    ASSERT_NE(kernel_.ClassRecord("Hero", "Fine"), nullptr);
    EXPECT_EQ(kernel_.Diagnostics().Size(), 2u);
    EXPECT_NE(kernel_.Diagnostics().Joined().find("bound"), std::string::npos) << kernel_.Diagnostics().Joined();
    const Strings refused = {"OnCreateClassFromXml失败: 添加表失败:[Wide] huge.xml",
                             "..\\Utility\\KernelWrapper (201)",
                             "OnCreateClassFromXml失败: 添加表失败:[Deep] huge.xml",
                             "..\\Utility\\KernelWrapper (201)",
                             "OnCreateClassFromXml失败: 设置表的列类型失败:[Deep] [0] huge.xml",
                             "..\\Utility\\KernelWrapper (212)"};
    EXPECT_EQ(kernel_.Logs(), refused);
    const ObjectId hero = Make("Hero");
    EXPECT_EQ(kernel_.GetRecordRows(hero, "Fine"), 0);
    EXPECT_EQ(kernel_.AddRecordRow(hero, "Fine", -1), 0);
}

TEST_F(ClassFromXmlTest, UnreadableFilesRegisterAndLogNothing) {
    WriteResource("broken.xml", "<Object><BaseProperties><Property Id=\"A\" Type=\"int\"></Object>");
    WriteResource("empty.xml", "");
    WriteResource("other.xml", R"(<Thing><BaseProperties><Property Id="A" Type="int"/></BaseProperties></Thing>)");
    for (const char* name : {"missing.xml", "broken.xml", "empty.xml", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(OnCreateClassFromXml(&kernel_, hero_, name), 0) << (name ? name : "null");
    }
    EXPECT_EQ(OnCreateClassFromXml(nullptr, hero_, "other.xml"), 0);
    EXPECT_EQ(OnCreateClassFromXml(&kernel_, hero_, "other.xml"), 1);  // parsed, no "Object" root
    EXPECT_EQ(Prop("A"), "-");
    EXPECT_FALSE(LoadObjectFromXml(&kernel_, scene_, "broken.xml"));
    EXPECT_TRUE(kernel_.Logs().empty() && kernel_.Traces().empty());
}

// The other type names are read back through the class file above.
TEST(TypeNames, ExactCaseSensitiveNamesAndFlags) {
    const std::pair<const char*, int> names[] = {{"bool", VT_BOOL}, {"DWORD", VT_NONE}, {"Int", VT_NONE},
                                                 {"int ", VT_NONE}, {"", VT_NONE},      {nullptr, VT_NONE}};
    for (const auto& [name, code] : names) EXPECT_EQ(TypeCodeFromName(name), code) << (name ? name : "null");
    EXPECT_TRUE(BoolFromText("true") && BoolFromText("1"));
    for (const char* no : {"yes", "TRUE", "0", " 1", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(BoolFromText(no)) << (no ? no : "null");
    }
}

// A "Hero" with every property type and a record with an object column; its
// contained "Pet" objects get their own properties from the nested elements.
class ObjectFromXmlTest : public KernelFixture {
protected:
    void SetUp() override {
        KernelFixture::SetUp();
        const int hero = Define("Hero", {{"Level", VT_INT},
                                         {"Speed", VT_FLOAT},
                                         {"Title", VT_STRING},
                                         {"Nick", VT_WIDESTR},
                                         {"Mount", VT_OBJECT},
                                         {"Kind", VT_BOOL}});
        DefineRecord(hero, "Bag", 10, true, {VT_INT, VT_WIDESTR, VT_OBJECT});
        Define("Pet", {{"Power", VT_INT}});
        hero_ = Make("Hero");
    }
    ObjectId hero_;
};

TEST_F(ObjectFromXmlTest, StoresValuesRowsAndNestedObjects) {
    // The file's text is in the system's default code page, as the host writes it.
    const std::string nick = WideToString(u"\u00c6r\u00f8", 0);
    WriteResource("Obj\\hero.xml", R"(<Object><BaseProperties>
    <Property Id="Level" Value="-42"/><Property Id="Speed" Value="1.5"/><Property Id="Title" Value="Knight"/>
    <Property Id="Nick" Value=")" + nick +
                                       R"("/><Property Id="Kind" Value="1"/><Property Id="Unknown" Value="3"/>
    <Property Value="3"/>
    <Property Id="Mount" Value="Pet"><BaseProperties><Property Id="Power" Value="7"/></BaseProperties></Property>
  </BaseProperties><RecordProperties>
    <Record Id="Bag">
      <Row><Column Value="5"/><Column Value="sword"/><Column Value="Pet">
        <BaseProperties><Property Id="Power" Value="9"/></BaseProperties></Column></Row>
      <Row><Column Value="6"/></Row>
    </Record>
    <Record Id="Nope"><Row><Column Value="1"/></Row></Record>
  </RecordProperties></Object>)");
    ASSERT_TRUE(LoadObjectFromXml(&kernel_, hero_, "Obj\\hero.xml"));

    // Read back as text by type, too.
    const std::pair<const char*, const char*> texts[] = {{"Level", "-42"},    {"Speed", "1.500000"},
                                                         {"Title", "Knight"}, {"Nick", nick.c_str()},
                                                         {"Mount", ""},       {"Missing", ""}};
    for (const auto& [name, text] : texts) EXPECT_EQ(QueryPropertyText(&kernel_, hero_, name), text) << name;
    EXPECT_EQ(std::u16string(kernel_.QueryWideStr(hero_, "Nick")), u"\u00c6r\u00f8");
    EXPECT_EQ(kernel_.Property(hero_, "Kind"), HostValue(0));  // bool properties are not stored from text
    const ObjectId mount = kernel_.QueryObject(hero_, "Mount");
    EXPECT_EQ(kernel_.ClassOf(mount), "Pet");
    EXPECT_EQ(kernel_.QueryInt(mount, "Power"), 7);

    ASSERT_EQ(kernel_.GetRecordRows(hero_, "Bag"), 2);
    EXPECT_EQ(kernel_.QueryRecordInt(hero_, "Bag", 0, 0), 5);
    EXPECT_EQ(std::u16string(kernel_.QueryRecordWideStr(hero_, "Bag", 0, 1)), u"sword");
    const ObjectId carried = kernel_.QueryRecordObject(hero_, "Bag", 0, 2);
    EXPECT_NE(carried, mount);
    EXPECT_EQ(kernel_.QueryInt(carried, "Power"), 9);
    EXPECT_EQ(kernel_.QueryRecordInt(hero_, "Bag", 1, 0), 6);
}

TEST_F(ObjectFromXmlTest, RowsBeyondTheRecordsCapacityAreDropped) {
    std::string rows;
    for (int i = 0; i < 12; ++i) rows += "<Row><Column Value=\"" + std::to_string(i) + "\"/></Row>";
    WriteResource("many.xml",
                  "<Object><RecordProperties><Record Id=\"Bag\">" + rows + "</Record></RecordProperties></Object>");
    ASSERT_TRUE(LoadObjectFromXml(&kernel_, hero_, "many.xml"));
    ASSERT_EQ(kernel_.GetRecordRows(hero_, "Bag"), 10);
    EXPECT_EQ(kernel_.QueryRecordInt(hero_, "Bag", 9, 0), 9);
    EXPECT_EQ(kernel_.Diagnostics().Size(), 2u);  // the two refused rows; nothing written at row -1
}

}  // namespace
