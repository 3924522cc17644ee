// Property tests and changes by operator text, on every property type, through
// the reference host.
#include <gtest/gtest.h>

#include <string>

#include "HostKernelTest.h"
#include "Utility/PropertyOperators.h"

namespace {

class PropertyOperatorsTest : public HostKernelTest {
protected:
    void SetUp() override {
        HostKernelTest::SetUp();
        const int cls = kernel_.DefineClass("Thing");
        kernel_.AddClassProperty(cls, "I", VT_INT, true, "");
        kernel_.AddClassProperty(cls, "F", VT_FLOAT, true, "");
        kernel_.AddClassProperty(cls, "S", VT_STRING, true, "");
        kernel_.AddClassProperty(cls, "W", VT_WIDESTR, true, "");
        kernel_.AddClassProperty(cls, "O", VT_OBJECT, true, "");
        kernel_.AddClassProperty(cls, "B", VT_BOOL, true, "");
        a_ = Make("Thing");
        b_ = Make("Thing");
        kernel_.SetInt(a_, "I", 5);
        kernel_.SetFloat(a_, "F", 1.5f);
        kernel_.SetString(a_, "S", "ab");
        kernel_.SetWideStr(a_, "W", u"ab");
        kernel_.SetObject(a_, "O", ObjectId{3, 4});
    }
    ObjectId a_, b_;
};

TEST_F(PropertyOperatorsTest, CompareByTypeWithTheTextOperators) {
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "I", ">=", "5"));
    EXPECT_FALSE(CompareProperty(&kernel_, a_, "I", "=", "5"));  // "=" is no comparison
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "I", "<", "6x"));
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "F", ">", "1.25"));
    EXPECT_FALSE(CompareProperty(&kernel_, a_, "F", "!=", "1.5"));
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "S", "<", "b"));
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "S", "==", "ab"));
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "W", ">", "a"));
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "W", "==", "ab"));
    // Objects are equal or not, whatever the operator says.
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "O", "!=", "3.4"));
    EXPECT_FALSE(CompareProperty(&kernel_, a_, "O", "==", "3.5"));

    EXPECT_FALSE(CompareProperty(&kernel_, a_, "B", "==", "0"));
    EXPECT_FALSE(CompareProperty(&kernel_, a_, "Missing", "==", ""));
    EXPECT_FALSE(CompareProperty(&kernel_, a_, "I", nullptr, "5"));
    EXPECT_TRUE(CompareProperty(&kernel_, a_, "S", "!=", nullptr));
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
    kernel_.SetObject(b_, "O", ObjectId{});
    EXPECT_FALSE(CompareObjectProperties(&kernel_, a_, b_, "O", "!="));

    const ObjectId plain = Make("Empty");
    EXPECT_FALSE(CompareObjectProperties(&kernel_, a_, plain, "I", "!="));
    EXPECT_FALSE(CompareObjectProperties(&kernel_, plain, a_, "I", "!="));
    EXPECT_FALSE(CompareObjectProperties(&kernel_, a_, b_, "B", "=="));
}

TEST_F(PropertyOperatorsTest, ApplyNumbers) {
    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "I", "+", "10"));
    EXPECT_EQ(kernel_.QueryInt(a_, "I"), 15);
    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "I", "/", "4"));
    EXPECT_EQ(kernel_.QueryInt(a_, "I"), 3);
    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "I", "+", "abc"));  // adds 0
    EXPECT_EQ(kernel_.QueryInt(a_, "I"), 3);
    EXPECT_FALSE(ApplyToProperty(&kernel_, a_, "I", "/", "0"));
    EXPECT_FALSE(ApplyToProperty(&kernel_, a_, "I", "==", "9"));
    EXPECT_EQ(kernel_.QueryInt(a_, "I"), 3);

    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "F", "*", "3"));
    EXPECT_FLOAT_EQ(kernel_.QueryFloat(a_, "F"), 4.5f);
    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "F", "=", "-0.5"));
    EXPECT_FLOAT_EQ(kernel_.QueryFloat(a_, "F"), -0.5f);
    EXPECT_FALSE(ApplyToProperty(&kernel_, a_, "F", "%", "2"));
}

TEST_F(PropertyOperatorsTest, ApplyTextAndObjects) {
    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "S", "+", "cd"));
    EXPECT_STREQ(kernel_.QueryString(a_, "S"), "abcd");
    EXPECT_FALSE(ApplyToProperty(&kernel_, a_, "S", "-", "cd"));
    EXPECT_STREQ(kernel_.QueryString(a_, "S"), "abcd");
    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "S", "=", "z"));
    EXPECT_STREQ(kernel_.QueryString(a_, "S"), "z");

    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "W", "+", "çé"));
    EXPECT_EQ(std::u16string(kernel_.QueryWideStr(a_, "W")), u"abçé");
    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "W", "=", ""));
    EXPECT_EQ(std::u16string(kernel_.QueryWideStr(a_, "W")), u"");
    EXPECT_FALSE(ApplyToProperty(&kernel_, a_, "W", "*", "x"));

    EXPECT_TRUE(ApplyToProperty(&kernel_, a_, "O", "=", "12.34"));
    EXPECT_EQ(kernel_.QueryObject(a_, "O"), (ObjectId{12, 34}));
    EXPECT_FALSE(ApplyToProperty(&kernel_, a_, "O", "+", "1.1"));
    EXPECT_EQ(kernel_.QueryObject(a_, "O"), (ObjectId{12, 34}));

    EXPECT_FALSE(ApplyToProperty(&kernel_, a_, "B", "=", "1"));
    EXPECT_FALSE(ApplyToProperty(&kernel_, a_, "Missing", "=", "1"));
    EXPECT_FALSE(ApplyToProperty(nullptr, a_, "I", "=", "1"));
}

}  // namespace
