// Class definitions and object data from XML files, through the reference host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostKernelTest.h"
#include "Utility/KernelWrapper.h"

namespace {

using Strings = std::vector<std::string>;

class ClassFromXmlTest : public HostKernelTest {
protected:
    void SetUp() override {
        HostKernelTest::SetUp();
        heroIndex_ = kernel_.DefineClass("Hero");
    }
    const HostKernel::ClassPropertyInfo* Prop(const char* name) { return kernel_.ClassProperty("Hero", name); }
    const HostKernel::ClassRecordInfo* Rec(const char* name) { return kernel_.ClassRecord("Hero", name); }

    int heroIndex_ = -1;
};

TEST_F(ClassFromXmlTest, PropertyFlagsChooseTheRegistration) {
    WriteResource("Class\\hero.xml", R"(<?xml version="1.0" encoding="utf-8"?>
<Object>
  <BaseProperties>
    <Property Id="ColWins" Type="int" Save="1" Col="true" Xml="true" Description="both col and xml"/>
    <Property Id="XmlOnly" Type="float" Save="true" Xml="1"/>
    <Property Id="Plain" Type="string" Save="true"/>
    <Property Id="NoSave" Type="wstring" Col="1"/>
    <Property Id="PubSaved" Type="dword" Public="true" Save="true"/>
    <Property Id="PrivCol" Type="object" Private="1" Save="1" Col="1"/>
    <Property Id="PubXml" Type="byte" Public="1" Save="1" Xml="1"/>
    <Property Id="Yes" Type="word" Save="yes" Public="yes"/>
    <Property Id="NoType"/>
    <Property Type="int"/>
  </BaseProperties>
</Object>)");
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, "Class\\hero.xml"), 1);

    struct Expect {
        const char* name;
        int type;
        bool save, isPublic, isPrivate;
        int saveMode;
    };
    const Expect expected[] = {
        {"ColWins", VT_INT, true, false, false, 2},     {"XmlOnly", VT_FLOAT, true, false, false, 3},
        {"Plain", VT_STRING, true, false, false, 0},    {"NoSave", VT_WIDESTR, false, false, false, 0},
        {"PubSaved", VT_INT, true, true, false, 0},     {"PrivCol", VT_OBJECT, true, false, true, 2},
        {"PubXml", VT_INT, true, true, false, 3},       {"Yes", VT_INT, false, false, false, 0},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        const auto* info = Prop(e.name);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->type, e.type);
        EXPECT_EQ(info->save, e.save);
        EXPECT_EQ(info->isPublic, e.isPublic);
        EXPECT_EQ(info->isPrivate, e.isPrivate);
        EXPECT_EQ(info->saveMode, e.saveMode);
    }
    EXPECT_EQ(Prop("NoType"), nullptr);  // skipped, not registered with type 0
    EXPECT_TRUE(kernel_.Logs().empty());
    EXPECT_TRUE(kernel_.Traces().empty());
}

TEST_F(ClassFromXmlTest, RecordsNeedWholeIntegerColsAndMaxRows) {
    WriteResource("rec.xml", R"(<Object><RecordProperties>
  <Record Id="Bag" Cols="3" MaxRows="20" Save="1" Col="1" Visible="true">
    <Column Type="int"/><Column Type="wstring"/><Column Type="object"/>
  </Record>
  <Record Id="Saved" Cols="2" MaxRows="5" Save="true"><Column Type="float"/><Column Type="string"/></Record>
  <Record Id="ColOnly" Cols="1" MaxRows="5" Col="true"><Column Type="int"/></Record>
  <Record Id="NoRows" Cols="3"><Column Type="int"/></Record>
  <Record Id="BadCols" Cols="three" MaxRows="5"><Column Type="int"/></Record>
  <Record Id="Trailing" Cols="3x" MaxRows="5"/>
  <Record Id="Huge" Cols="99999999999" MaxRows="5"/>
  <Record Cols="1" MaxRows="1"/>
</RecordProperties></Object>)");
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, "rec.xml"), 1);

    const auto* bag = Rec("Bag");
    ASSERT_NE(bag, nullptr);
    EXPECT_EQ(bag->cols, 3);
    EXPECT_EQ(bag->maxRows, 20);
    EXPECT_EQ(bag->saveMode, 2);
    EXPECT_EQ(bag->colTypes, (std::vector<int>{VT_INT, VT_WIDESTR, VT_OBJECT}));
    EXPECT_EQ(bag->visibleName, "Bag");

    const auto* saved = Rec("Saved");
    ASSERT_NE(saved, nullptr);
    EXPECT_TRUE(saved->save);
    EXPECT_NE(saved->saveMode, 2);  // the plain form: save without col is no mode 2
    EXPECT_EQ(saved->colTypes, (std::vector<int>{VT_FLOAT, VT_STRING}));
    EXPECT_TRUE(saved->visibleName.empty());

    const auto* colOnly = Rec("ColOnly");
    ASSERT_NE(colOnly, nullptr);
    EXPECT_FALSE(colOnly->save);
    EXPECT_EQ(colOnly->saveMode, 0);

    for (const char* skipped : {"NoRows", "BadCols", "Trailing", "Huge"}) {
        EXPECT_EQ(Rec(skipped), nullptr) << skipped;
    }
    EXPECT_TRUE(kernel_.Logs().empty());
}

TEST_F(ClassFromXmlTest, RefusalsAreLoggedAndLoadingGoesOn) {
    WriteResource("first.xml", R"(<Object>
  <BaseProperties><Property Id="Level" Type="int"/></BaseProperties>
  <RecordProperties><Record Id="Bag" Cols="2" MaxRows="5"><Column Type="int"/><Column Type="int"/></Record></RecordProperties>
</Object>)");
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, "first.xml"), 1);

    // Level and Bag exist already; column 2 is beyond the record.
    WriteResource("second.xml", R"(<Object>
  <BaseProperties><Property Id="Level" Type="int"/><Property Id="Exp" Type="int"/></BaseProperties>
  <RecordProperties><Record Id="Bag" Cols="2" MaxRows="5">
    <Column Type="string"/><Column Type="float"/><Column Type="int"/>
  </Record></RecordProperties>
</Object>)");
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, "second.xml"), 1);

    ASSERT_NE(Prop("Exp"), nullptr);
    // The refused record still had its column types sent.
    EXPECT_EQ(Rec("Bag")->colTypes, (std::vector<int>{VT_STRING, VT_FLOAT}));
    const Strings expected = {
        "OnCreateClassFromXml失败: xml=second.xml, id=Level",
        "..\\Utility\\KernelWrapper (185)",
        "OnCreateClassFromXml失败: 添加表失败:[Bag] second.xml",
        "..\\Utility\\KernelWrapper (201)",
        "OnCreateClassFromXml失败: 设置表的列类型失败:[Bag] [2] second.xml",
        "..\\Utility\\KernelWrapper (212)",
    };
    EXPECT_EQ(kernel_.Traces(), expected);
    EXPECT_EQ(kernel_.Logs(), expected);
}

TEST_F(ClassFromXmlTest, UnknownClassLogsAllFourFailures) {
    WriteResource("x.xml", R"(<Object>
  <BaseProperties><Property Id="A" Type="int"/></BaseProperties>
  <RecordProperties><Record Id="R" Cols="1" MaxRows="1" Visible="1"><Column Type="int"/></Record></RecordProperties>
</Object>)");
    ASSERT_EQ(OnCreateClassFromXml(&kernel_, 9999, "x.xml"), 1);
    const Strings expected = {
        "OnCreateClassFromXml失败: xml=x.xml, id=A",
        "..\\Utility\\KernelWrapper (185)",
        "OnCreateClassFromXml失败: 添加表失败:[R] x.xml",
        "..\\Utility\\KernelWrapper (201)",
        "OnCreateClassFromXml失败: 设置表的列类型失败:[R] [0] x.xml",
        "..\\Utility\\KernelWrapper (212)",
        "OnCreateClassFromXml失败: 设置表的可见失败:[R] x.xml",
        "..\\Utility\\KernelWrapper (220)",
    };
    EXPECT_EQ(kernel_.Traces(), expected);
    EXPECT_EQ(kernel_.Logs(), expected);
}

TEST_F(ClassFromXmlTest, UnreadableFilesRegisterAndLogNothing) {
    WriteResource("broken.xml", "<Object><BaseProperties><Property Id=\"A\" Type=\"int\"></Object>");
    WriteResource("empty.xml", "");
    WriteResource("other.xml", R"(<Thing><BaseProperties><Property Id="A" Type="int"/></BaseProperties></Thing>)");
    EXPECT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, "missing.xml"), 0);
    EXPECT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, "broken.xml"), 0);
    EXPECT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, "empty.xml"), 0);
    EXPECT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, nullptr), 0);
    EXPECT_EQ(OnCreateClassFromXml(nullptr, heroIndex_, "other.xml"), 0);
    EXPECT_EQ(OnCreateClassFromXml(&kernel_, heroIndex_, "other.xml"), 1);  // parsed, no "Object" root
    EXPECT_EQ(Prop("A"), nullptr);
    EXPECT_FALSE(LoadObjectFromXml(&kernel_, scene_, "broken.xml"));
    EXPECT_TRUE(kernel_.Logs().empty());
    EXPECT_TRUE(kernel_.Traces().empty());
}

TEST(TypeNames, ExactCaseSensitiveNamesFlagsAndStorageNames) {
    EXPECT_EQ(TypeCodeFromName("int"), VT_INT);
    EXPECT_EQ(TypeCodeFromName("byte"), VT_INT);
    EXPECT_EQ(TypeCodeFromName("word"), VT_INT);
    EXPECT_EQ(TypeCodeFromName("dword"), VT_INT);
    EXPECT_EQ(TypeCodeFromName("float"), VT_FLOAT);
    EXPECT_EQ(TypeCodeFromName("string"), VT_STRING);
    EXPECT_EQ(TypeCodeFromName("wstring"), VT_WIDESTR);
    EXPECT_EQ(TypeCodeFromName("object"), VT_OBJECT);
    EXPECT_EQ(TypeCodeFromName("bool"), VT_BOOL);
    for (const char* other : {"DWORD", "Int", "int ", "", "int64"}) {
        EXPECT_EQ(TypeCodeFromName(other), VT_NONE) << other;
    }
    EXPECT_EQ(TypeCodeFromName(nullptr), VT_NONE);

    EXPECT_TRUE(BoolFromText("true"));
    EXPECT_TRUE(BoolFromText("1"));
    for (const char* no : {"yes", "TRUE", "false", "0", "", " 1"}) {
        EXPECT_FALSE(BoolFromText(no)) << no;
    }
    EXPECT_FALSE(BoolFromText(nullptr));

    EXPECT_EQ(TypeDbName(VT_INT), "DWORD");
    EXPECT_EQ(TypeDbName(VT_FLOAT), "FLOAT");
    EXPECT_EQ(TypeDbName(VT_STRING), "LONGSTR");
    EXPECT_EQ(TypeDbName(VT_WIDESTR), "WIDESTR");
    EXPECT_EQ(TypeDbName(VT_OBJECT), "OBJECT");
    EXPECT_EQ(TypeDbName(VT_BOOL), "");
    EXPECT_EQ(TypeDbName(-1), "");
}

// Object data: a "Hero" with every property type, a record with an object column,
// and a contained "Pet" whose own properties come from the nested element.
class ObjectFromXmlTest : public HostKernelTest {
protected:
    void SetUp() override {
        HostKernelTest::SetUp();
        const int hero = kernel_.DefineClass("Hero");
        const int pet = kernel_.DefineClass("Pet");
        kernel_.AddClassProperty(hero, "Level", VT_INT, true, "");
        kernel_.AddClassProperty(hero, "Speed", VT_FLOAT, true, "");
        kernel_.AddClassProperty(hero, "Title", VT_STRING, true, "");
        kernel_.AddClassProperty(hero, "Nick", VT_WIDESTR, true, "");
        kernel_.AddClassProperty(hero, "Mount", VT_OBJECT, true, "");
        kernel_.AddClassProperty(hero, "Kind", VT_BOOL, true, "");
        kernel_.AddClassRecord(hero, "Bag", 3, 10, true);
        kernel_.SetClassRecordColType(hero, "Bag", 0, VT_INT);
        kernel_.SetClassRecordColType(hero, "Bag", 1, VT_WIDESTR);
        kernel_.SetClassRecordColType(hero, "Bag", 2, VT_OBJECT);
        kernel_.AddClassProperty(pet, "Power", VT_INT, true, "");
        kernel_.AddClassProperty(pet, "Name", VT_STRING, true, "");
        hero_ = Make("Hero");
    }
    ObjectId hero_;
};

TEST_F(ObjectFromXmlTest, StoresValuesRowsAndNestedObjects) {
    WriteResource("Obj\\hero.xml", R"(<Object>
  <BaseProperties>
    <Property Id="Level" Value="42"/>
    <Property Id="Speed" Value="1.5"/>
    <Property Id="Title" Value="Knight"/>
    <Property Id="Nick" Value="Ærø"/>
    <Property Id="Mount" Value="Pet">
      <BaseProperties><Property Id="Power" Value="7"/><Property Id="Name" Value="Rex"/></BaseProperties>
    </Property>
    <Property Id="Kind" Value="1"/>
    <Property Id="Unknown" Value="3"/>
    <Property Value="3"/>
  </BaseProperties>
  <RecordProperties>
    <Record Id="Bag">
      <Row><Column Value="5"/><Column Value="sword"/><Column Value="Pet">
        <BaseProperties><Property Id="Power" Value="9"/></BaseProperties></Column></Row>
      <Row><Column Value="6"/></Row>
    </Record>
    <Record Id="Nope"><Row><Column Value="1"/></Row></Record>
  </RecordProperties>
</Object>)");
    ASSERT_TRUE(LoadObjectFromXml(&kernel_, hero_, "Obj\\hero.xml"));

    EXPECT_EQ(kernel_.QueryInt(hero_, "Level"), 42);
    EXPECT_FLOAT_EQ(kernel_.QueryFloat(hero_, "Speed"), 1.5f);
    EXPECT_STREQ(kernel_.QueryString(hero_, "Title"), "Knight");
    EXPECT_EQ(std::u16string(kernel_.QueryWideStr(hero_, "Nick")), u"Ærø");
    EXPECT_EQ(kernel_.Property(hero_, "Kind"), HostValue(0));  // bool properties are not stored from text

    const ObjectId mount = kernel_.QueryObject(hero_, "Mount");
    ASSERT_FALSE(mount.IsNull());
    EXPECT_EQ(kernel_.ClassOf(mount), "Pet");
    EXPECT_EQ(kernel_.QueryInt(mount, "Power"), 7);
    EXPECT_STREQ(kernel_.QueryString(mount, "Name"), "Rex");

    ASSERT_EQ(kernel_.GetRecordRows(hero_, "Bag"), 2);
    EXPECT_EQ(kernel_.QueryRecordInt(hero_, "Bag", 0, 0), 5);
    EXPECT_EQ(std::u16string(kernel_.QueryRecordWideStr(hero_, "Bag", 0, 1)), u"sword");
    const ObjectId carried = kernel_.QueryRecordObject(hero_, "Bag", 0, 2);
    ASSERT_FALSE(carried.IsNull());
    EXPECT_NE(carried, mount);
    EXPECT_EQ(kernel_.QueryInt(carried, "Power"), 9);
    EXPECT_EQ(kernel_.QueryRecordInt(hero_, "Bag", 1, 0), 6);
    EXPECT_TRUE(kernel_.QueryRecordObject(hero_, "Bag", 1, 2).IsNull());
}

TEST_F(ObjectFromXmlTest, RowsBeyondTheRecordsCapacityAreDropped) {
    std::string xml = "<Object><RecordProperties><Record Id=\"Bag\">";
    for (int i = 0; i < 12; ++i) {
        xml += "<Row><Column Value=\"" + std::to_string(i) + "\"/></Row>";
    }
    xml += "</Record></RecordProperties></Object>";
    WriteResource("many.xml", xml);
    ASSERT_TRUE(LoadObjectFromXml(&kernel_, hero_, "many.xml"));
    ASSERT_EQ(kernel_.GetRecordRows(hero_, "Bag"), 10);
    EXPECT_EQ(kernel_.QueryRecordInt(hero_, "Bag", 9, 0), 9);
}

TEST_F(ObjectFromXmlTest, QueryPropertyTextByType) {
    kernel_.SetInt(hero_, "Level", -12);
    kernel_.SetFloat(hero_, "Speed", 1.5f);
    kernel_.SetString(hero_, "Title", "Sir");
    kernel_.SetWideStr(hero_, "Nick", u"Zoë");
    EXPECT_EQ(QueryPropertyText(&kernel_, hero_, "Level"), "-12");
    EXPECT_EQ(QueryPropertyText(&kernel_, hero_, "Speed"), "1.500000");
    EXPECT_EQ(QueryPropertyText(&kernel_, hero_, "Title"), "Sir");
    EXPECT_EQ(QueryPropertyText(&kernel_, hero_, "Nick"), "Zoë");
    EXPECT_EQ(QueryPropertyText(&kernel_, hero_, "Mount"), "");
    EXPECT_EQ(QueryPropertyText(&kernel_, hero_, "Missing"), "");
    EXPECT_EQ(QueryPropertyText(&kernel_, ObjectId{}, "Level"), "");
}

}  // namespace
