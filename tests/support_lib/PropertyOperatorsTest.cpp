// Property tests and changes by operator text, on every property type, through
// the reference host.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "support/KernelFixture.h"
#include "Utility/PropertyOperators.h"
#include "Utility/WideText.h"

namespace {

class PropertyOperatorsTest : public KernelFixture {
protected:
    void SetUp() override {
        KernelFixture::SetUp();
        Define("Thing",
               {{"I", VT_INT}, {"F", VT_FLOAT}, {"S", VT_STRING}, {"W", VT_WIDESTR}, {"O", VT_OBJECT}, {"B", VT_BOOL}});
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
        {"I", ">=", "5", true},     {"I", "=", "5", false},    {"I", "<", "6x", true},  {"F", ">", "1.25", true},
        {"F", "!=", "1.5", false},  {"S", "<", "b", true},     {"W", ">", "a", true},   {"W", "==", "ab", true},
        {"O", "!=", "3.4", true},   {"O", "==", "3.5", false}, {"B", "==", "0", false}, {"Missing", "==", "", false},
        {"I", nullptr, "5", false}, {"S", "!=", nullptr, true}};
    for (const auto& [name, op, text, result] : cases) {
        EXPECT_EQ(Compare(name, op, text), result)
            << name << " " << (op ? op : "null") << " " << (text ? text : "null");
    }
}

TEST_F(PropertyOperatorsTest, CompareTwoObjectsUsesTheFirstObjectsType) {
    kernel_.SetInt(b_, "I", 7);
    kernel_.SetFloat(b_, "F", 1.5f);
    kernel_.SetString(b_, "S", "abc");
    kernel_.SetWideStr(b_, "W", u"aa");
    kernel_.SetObject(b_, "O", ObjectId{3, 4});
    // A prefix sorts first; objects compare only equal or not.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"I", "<", true}, {"I", ">=", false}, {"F", "==", true}, {"S", "<", true},
        {"W", ">", true}, {"O", "<", true},   {"B", "==", false}};
    for (const auto& [name, op, result] : cases) {
        EXPECT_EQ(CompareObjectProperties(&kernel_, a_, b_, name, op), result) << name << " " << op;
    }
    const ObjectId plain = Make("item");
    EXPECT_FALSE(CompareObjectProperties(&kernel_, a_, plain, "I", "!="));
    EXPECT_FALSE(CompareObjectProperties(&kernel_, plain, a_, "I", "!="));
}

TEST_F(PropertyOperatorsTest, ApplyByTypeAndRefuseWhatTheTypeDoesNotTake) {
    // Text that is no number adds 0; a refused step changes nothing. Narrow text
    // is in the system's default code page.
    const std::string ce = WideToString(u"\u00e7\u00e9", 0);
    const std::tuple<const char*, const char*, const char*, bool> steps[] = {
        {"I", "+", "10", true},      {"I", "/", "4", true},        {"I", "+", "abc", true},
        {"I", "/", "0", false},      {"I", "==", "9", false},      {"F", "*", "3", true},
        {"F", "%", "2", false},      {"S", "=", "z", true},        {"S", "+", "cd", true},
        {"S", "-", "cd", false},     {"W", "+", ce.c_str(), true}, {"W", "*", "x", false},
        {"O", "=", "12.34", true},   {"O", "+", "1.1", false},     {"B", "=", "1", false},
        {"Missing", "=", "1", false}};
    for (const auto& [name, op, text, result] : steps) {
        EXPECT_EQ(Apply(name, op, text), result) << name << " " << op << " " << text;
    }
    const std::pair<const char*, HostValue> values[] = {{"I", 3},
                                                        {"F", 4.5f},
                                                        {"S", std::string("zcd")},
                                                        {"W", std::u16string(u"ab\u00e7\u00e9")},
                                                        {"O", ObjectId{12, 34}}};
    for (const auto& [name, value] : values) EXPECT_EQ(kernel_.Property(a_, name), value) << name;
    EXPECT_FALSE(ApplyToProperty(nullptr, a_, "I", "=", "1"));
}

}  // namespace
