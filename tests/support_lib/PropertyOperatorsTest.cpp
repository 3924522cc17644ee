// Property tests and changes by operator text, on every property type, through
// the reference host.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "HostKernelTest.h"
#include "Utility/PropertyOperators.h"

namespace {

class PropertyOperatorsTest : public HostKernelTest {
protected:
    void SetUp() override {
        HostKernelTest::SetUp();
        Define("Thing", {{"I", VT_INT}, {"F", VT_FLOAT}, {"S", VT_STRING}, {"W", VT_WIDESTR}, {"O", VT_OBJECT}, {"B", VT_BOOL}});
        a_ = Make("Thing");
        b_ = Make("Thing");
        kernel_.SetInt(a_, "I", 5);
        kernel_.SetFloat(a_, "F", 1.5f);
        kernel_.SetString(a_, "S", "ab");
        kernel_.SetWideStr(a_, "W", u"ab");
        kernel_.SetObject(a_, "O", ObjectId{3, 4});
    }
    bool Compare(const char* name, const char* op, const char* text) {
        return CompareProperty(&kernel_, a_, name, op, text);
    }
    bool Apply(const char* name, const char* op, const char* text) {
        return ApplyToProperty(&kernel_, a_, name, op, text);
    }
    ObjectId a_, b_;
};

TEST_F(PropertyOperatorsTest, CompareByTypeWithTheTextOperators) {
    // "=" is no comparison; objects are equal or not, whatever the operator; bool
    // properties and missing ones never compare.
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"I", ">=", "5", true},  {"I", "=", "5", false},   {"I", "<", "6x", true},   {"F", ">", "1.25", true},
        {"F", "!=", "1.5", false}, {"S", "<", "b", true},  {"W", ">", "a", true},    {"W", "==", "ab", true},
        {"O", "!=", "3.4", true}, {"O", "==", "3.5", false}, {"B", "==", "0", false}, {"Missing", "==", "", false},
        {"I", nullptr, "5", false}, {"S", "!=", nullptr, true}};
    for (const auto& [name, op, text, result] : cases) {
        EXPECT_EQ(Compare(name, op, text), result) << name << " " << (op ? op : "null") << " " << (text ? text : "null");
    }
}

TEST_F(PropertyOperatorsTest, CompareTwoObjectsUsesTheFirstObjectsType) {
    kernel_.SetInt(b_, "I", 7);
    kernel_.SetFloat(b_, "F", 1.5f);
    kernel_.SetString(b_, "S", "abc");
    kernel_.SetWideStr(b_, "W", u"aa");
    kernel_.SetObject(b_, "O", ObjectId{3, 4});
    // A prefix sorts first; objects compare only equal or not.
    const std::tuple<const char*, const char*, bool> cases[] = {{"I", "<", true},  {"I", ">=", false}, {"F", "==", true},
                                                                {"S", "<", true},  {"W", ">", true},   {"O", "<", true},
                                                                {"B", "==", false}};
    for (const auto& [name, op, result] : cases) {
        EXPECT_EQ(CompareObjectProperties(&kernel_, a_, b_, name, op), result) << name << " " << op;
    }
    const ObjectId plain = Make("item");
    EXPECT_FALSE(CompareObjectProperties(&kernel_, a_, plain, "I", "!="));
    EXPECT_FALSE(CompareObjectProperties(&kernel_, plain, a_, "I", "!="));
}

TEST_F(PropertyOperatorsTest, ApplyByTypeAndRefuseWhatTheTypeDoesNotTake) {
    EXPECT_TRUE(Apply("I", "+", "10"));
    EXPECT_TRUE(Apply("I", "/", "4"));
    EXPECT_TRUE(Apply("I", "+", "abc"));  // adds 0
    EXPECT_FALSE(Apply("I", "/", "0"));
    EXPECT_FALSE(Apply("I", "==", "9"));
    EXPECT_EQ(kernel_.QueryInt(a_, "I"), 3);
    EXPECT_TRUE(Apply("F", "*", "3"));
    EXPECT_FALSE(Apply("F", "%", "2"));
    EXPECT_FLOAT_EQ(kernel_.QueryFloat(a_, "F"), 4.5f);

    EXPECT_TRUE(Apply("S", "+", "cd"));
    EXPECT_FALSE(Apply("S", "-", "cd"));
    EXPECT_STREQ(kernel_.QueryString(a_, "S"), "abcd");
    EXPECT_TRUE(Apply("S", "=", "z"));
    EXPECT_STREQ(kernel_.QueryString(a_, "S"), "z");
    EXPECT_TRUE(Apply("W", "+", "çé"));
    EXPECT_FALSE(Apply("W", "*", "x"));
    EXPECT_EQ(std::u16string(kernel_.QueryWideStr(a_, "W")), u"abçé");

    EXPECT_TRUE(Apply("O", "=", "12.34"));
    EXPECT_FALSE(Apply("O", "+", "1.1"));
    EXPECT_EQ(kernel_.QueryObject(a_, "O"), (ObjectId{12, 34}));
    EXPECT_FALSE(Apply("B", "=", "1"));
    EXPECT_FALSE(Apply("Missing", "=", "1"));
    EXPECT_FALSE(ApplyToProperty(nullptr, a_, "I", "=", "1"));
}

}  // namespace
