#include "OperatorText.h"

#include <climits>
#include <string_view>

#include "NullText.h"

namespace {

// The index of op in the list, -1 when it is none of them. Matched in list order.
template <std::size_t N>
int MatchOperator(const char* op, const std::string_view (&ops)[N]) noexcept {
    const std::string_view text = View(op);
    for (std::size_t i = 0; i < N; ++i) {
        if (text == ops[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

constexpr std::string_view kCompareOps[] = {"==", ">=", "<=", ">", "<", "!="};
constexpr std::string_view kApplyOps[] = {"=", "+", "-", "*", "/"};

template <typename T>
bool CompareBy(const T& a, const T& b, const char* op) {
    switch (MatchOperator(op, kCompareOps)) {
        case 0: return a == b;
        case 1: return a >= b;
        case 2: return a <= b;
        case 3: return a > b;
        case 4: return a < b;
        case 5: return a != b;
        default: return false;
    }
}

}  // namespace

bool CompareInt(int a, int b, const char* op) { return CompareBy(a, b, op); }

bool CompareFloat(float a, float b, const char* op) { return CompareBy(a, b, op); }

bool CompareString(const std::string& a, const std::string& b, const char* op) {
    // std::string compares through char_traits<char>, which orders bytes unsigned.
    return CompareBy(a, b, op);
}

bool CompareWide(const std::u16string& a, const std::u16string& b, const char* op) { return CompareBy(a, b, op); }

bool ApplyInt(int& target, int operand, const char* op) {
    long long result = 0;
    switch (MatchOperator(op, kApplyOps)) {
        case 0: target = operand; return true;
        case 1: result = static_cast<long long>(target) + operand; break;
        case 2: result = static_cast<long long>(target) - operand; break;
        case 3: result = static_cast<long long>(target) * operand; break;
        case 4:
            // Division by zero and INT_MIN / -1 have no int result.
            if (operand == 0) {
                return false;
            }
            result = static_cast<long long>(target) / operand;
            break;
        default: return false;
    }
    // A result outside int is refused like the divisions above, not wrapped.
    if (result > INT_MAX || result < INT_MIN) {
        return false;
    }
    target = static_cast<int>(result);
    return true;
}

bool ApplyFloat(float& target, float operand, const char* op) {
    switch (MatchOperator(op, kApplyOps)) {
        case 0: target = operand; return true;
        case 1: target += operand; return true;
        case 2: target -= operand; return true;
        case 3: target *= operand; return true;
        case 4: target /= operand; return true;  // IEEE: a zero operand gives an infinity or NaN
        default: return false;
    }
}
