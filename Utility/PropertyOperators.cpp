#include "PropertyOperators.h"

#include <string>
#include <string_view>

#include "../module/IKernel.h"
#include "NullText.h"
#include "NumberText.h"
#include "OperatorText.h"
#include "../module/ValueType.h"
#include "WideText.h"

namespace {

std::string StringOf(IKernel* kernel, const ObjectId& obj, const char* name) {
    return std::string(View(kernel->QueryString(obj, name)));
}

std::u16string WideOf(IKernel* kernel, const ObjectId& obj, const char* name) {
    return std::u16string(View(kernel->QueryWideStr(obj, name)));
}

bool IsOp(const char* op, std::string_view expected) { return View(op) == expected; }

}  // namespace

bool CompareProperty(IKernel* kernel, const ObjectId& obj, const char* name, const char* op, const char* text) {
    if (kernel == nullptr || name == nullptr || !kernel->FindProperty(obj, name)) {
        return false;
    }
    op = OrEmpty(op);
    text = OrEmpty(text);
    switch (kernel->GetPropertyType(obj, name)) {
        case VT_INT: return CompareInt(kernel->QueryInt(obj, name), StringToInt(text), op);
        case VT_FLOAT: return CompareFloat(kernel->QueryFloat(obj, name), StringToFloat(text), op);
        case VT_STRING: return CompareString(StringOf(kernel, obj, name), std::string(text), op);
        case VT_WIDESTR: return CompareWide(WideOf(kernel, obj, name), StringToWide(text, 0), op);
        case VT_OBJECT: return kernel->QueryObject(obj, name) == StringToObjectId(text);
        default: return false;
    }
}

bool CompareObjectProperties(IKernel* kernel, const ObjectId& a, const ObjectId& b, const char* name, const char* op) {
    if (kernel == nullptr || name == nullptr || !kernel->FindProperty(a, name) || !kernel->FindProperty(b, name)) {
        return false;
    }
    op = OrEmpty(op);
    switch (kernel->GetPropertyType(a, name)) {
        case VT_INT: {
            const int va = kernel->QueryInt(a, name);
            return CompareInt(va, kernel->QueryInt(b, name), op);
        }
        case VT_FLOAT: {
            const float va = kernel->QueryFloat(a, name);
            return CompareFloat(va, kernel->QueryFloat(b, name), op);
        }
        case VT_STRING: {
            // Copy a's text first: the kernel's returned text lasts only until its next call.
            const std::string va = StringOf(kernel, a, name);
            return CompareString(va, StringOf(kernel, b, name), op);
        }
        case VT_WIDESTR: {
            const std::u16string va = WideOf(kernel, a, name);
            return CompareWide(va, WideOf(kernel, b, name), op);
        }
        case VT_OBJECT: {
            const ObjectId va = kernel->QueryObject(a, name);
            return va == kernel->QueryObject(b, name);
        }
        default: return false;
    }
}

bool ApplyToProperty(IKernel* kernel, const ObjectId& obj, const char* name, const char* op, const char* text) {
    if (kernel == nullptr || name == nullptr || !kernel->FindProperty(obj, name)) {
        return false;
    }
    op = OrEmpty(op);
    text = OrEmpty(text);
    switch (kernel->GetPropertyType(obj, name)) {
        case VT_INT: {
            int value = kernel->QueryInt(obj, name);
            if (!ApplyInt(value, StringToInt(text), op)) {
                return false;
            }
            kernel->SetInt(obj, name, value);
            return true;
        }
        case VT_FLOAT: {
            float value = kernel->QueryFloat(obj, name);
            if (!ApplyFloat(value, StringToFloat(text), op)) {
                return false;
            }
            kernel->SetFloat(obj, name, value);
            return true;
        }
        case VT_STRING: {
            std::string value;
            if (IsOp(op, "+")) {
                value = StringOf(kernel, obj, name) + text;
            } else if (IsOp(op, "=")) {
                value = text;
            } else {
                return false;
            }
            kernel->SetString(obj, name, value.c_str());
            return true;
        }
        case VT_WIDESTR: {
            std::u16string value;
            if (IsOp(op, "+")) {
                value = WideOf(kernel, obj, name) + StringToWide(text, 0);
            } else if (IsOp(op, "=")) {
                value = StringToWide(text, 0);
            } else {
                return false;
            }
            kernel->SetWideStr(obj, name, value.c_str());
            return true;
        }
        case VT_OBJECT:
            if (!IsOp(op, "=")) {
                return false;
            }
            kernel->SetObject(obj, name, StringToObjectId(text));
            return true;
        default: return false;
    }
}
