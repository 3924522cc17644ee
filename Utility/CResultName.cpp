#include "CResultName.h"

#include <algorithm>

CResultName::CResultName() noexcept : name_(inline_), capacity_(kInlineUnits) { inline_[0] = u'\0'; }

CResultName::~CResultName() {
    if (name_ != inline_) delete[] name_;
}

void CResultName::SetName(const char16_t* name) {
    if (name == nullptr) name = u"";
    std::size_t len = 0;
    while (name[len] != u'\0') ++len;
    if (len >= capacity_) {
        // Allocate first: on bad_alloc the old name stays intact.
        auto* block = new char16_t[2 * (len + 1)];
        if (name_ != inline_) delete[] name_;
        name_ = block;
        capacity_ = 2 * (len + 1);
    }
    std::copy(name, name + len, name_);
    name_[len] = u'\0';
}
