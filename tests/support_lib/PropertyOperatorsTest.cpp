// Property tests and changes by operator text, on every property type, through
// the reference host.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "HostKernelTest.h"
#include "Utility/PropertyOperators.h"

namespace {

class PropertyOperatorsTest : public HostKernelTest {
protected:
    void SetUp() override {
        HostKernelTest::SetUp();
        const int cls = kernel_.DefineClass("Thing");
        const std::pair<const char*, int> props[] = {{"I", VT_INT},     {"F", VT_FLOAT},  {"S", VT_STRING},
                                                     {"W", VT_WIDESTR}, {"O", VT_OBJECT}, {"B", VT_BOOL}};
        for (const auto& [name, type] : props) {
            kernel_.AddClassProperty(cls, name, type, true, "");
        }
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
    EXPECT_TRUE(Compare("I", ">=", "5"));
    EXPECT_FALSE(Compare("I", "=", "5"));  // "=" is no comparison
    EXPECT_TRUE(Compare("I", "<", "6x"));
    EXPECT_TRUE(Compare("F", ">", "1.25"));
    EXPECT_FALSE(Compare("F", "!=", "1.5"));
    EXPECT_TRUE(Compare("S", "<", "b"));
    EXPECT_TRUE(Compare("W", ">", "a"));
    EXPECT_TRUE(Compare("W", "==", "ab"));
    EXPECT_TRUE(Compare("O", "!=", "3.4"));  // objects: equal or not, whatever the operator
    EXPECT_FALSE(Compare("O", "==", "3.5"));
    EXPECT_FALSE(Compare("B", "==", "0"));
    EXPECT_FALSE(Compare("Missing", "==", ""));
    EXPECT_FALSE(Compare("I", nullptr, "5"));
    EXPECT_TRUE(Compare("S", "!=", nullptr));
}

TEST_F(PropertyOperatorsTest, CompareTwoObjectsUsesTheFirstObjectsType) {
    kernel_.SetInt(b_, "I", 7);
    kernel_.SetFloat(b_, "F", 1.5f);
    kernel_.SetString(b_, "S", "abc");
    kernel_.SetWideStr(b_, "W", u"aa");
    kernel_.SetObject(b_, "O", ObjectId{3, 4});
    EXPECT_TRUE(CompareObjectProperties(&kernel_, a_, b_, "I", "<"));
    EXPECT_FALSE(CompareObjectProperties(&kernel_, a_, b_, "I", ">="));
    EXPECT_TRUE(CompareObjectProperties(&kernel_, a_, b_, "F", "=="));
    EXPECT_TRUE(CompareObjectProperties(&kernel_, a_, b_, "S", "<"));  // a prefix sorts first
    EXPECT_TRUE(CompareObjectProperties(&kernel_, a_, b_, "W", ">"));
    EXPECT_TRUE(CompareObjectProperties(&kernel_, a_, b_, "O", "<"));
    EXPECT_FALSE(CompareObjectProperties(&kernel_, a_, b_, "B", "=="));
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
