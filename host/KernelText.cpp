#include "KernelText.h"

#include <algorithm>

KernelText::Copy& KernelText::NextSlot() {
    Copy& slot = copies_[next_];
    pending_ = next_;
    next_ = (next_ + 1) % kKept;
    return slot;
}

const char* KernelText::Hand(const std::string& kept) {
    if (!strict_) return kept.c_str();
    auto copy = std::make_unique<char[]>(kept.size() + 1);
    std::copy(kept.begin(), kept.end(), copy.get());
    copy[kept.size()] = '\0';
    Copy& slot = NextSlot();
    slot = Copy{std::move(copy), nullptr, kept.size()};
    return slot.narrow.get();
}

const char16_t* KernelText::Hand(const std::u16string& kept) {
    if (!strict_) return kept.c_str();
    auto copy = std::make_unique<char16_t[]>(kept.size() + 1);
    std::copy(kept.begin(), kept.end(), copy.get());
    copy[kept.size()] = u'\0';
    Copy& slot = NextSlot();
    slot = Copy{nullptr, std::move(copy), kept.size()};
    return slot.wide.get();
}

KernelText::Call::Call(KernelText& text) noexcept : text_(text), taken_(text.pending_) { text.pending_ = kNone; }

KernelText::Call::~Call() {
    if (taken_ == kNone) return;
    Copy& copy = text_.copies_[taken_];
    if (copy.narrow) std::fill_n(copy.narrow.get(), copy.length, '#');
    if (copy.wide) std::fill_n(copy.wide.get(), copy.length, u'#');
}
