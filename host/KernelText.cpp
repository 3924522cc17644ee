#include "KernelText.h"

#include <algorithm>

#if defined(__SANITIZE_ADDRESS__)
#define VOGAME_HOST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOGAME_HOST_ASAN 1
#endif
#endif

#ifdef VOGAME_HOST_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

// The bytes of a copy, terminating zero included.
template <class Char>
std::size_t BytesOf(std::size_t length) {
    return (length + 1) * sizeof(Char);
}

}  // namespace

bool KernelText::PoisonsRetiredText() noexcept {
#ifdef VOGAME_HOST_ASAN
    return true;
#else
    return false;
#endif
}

KernelText::~KernelText() {
    for (Copy& copy : copies_) Unpoison(copy);
}

void KernelText::Retire(Copy& copy) noexcept {
    if (copy.narrow) std::fill_n(copy.narrow.get(), copy.length, '#');
    if (copy.wide) std::fill_n(copy.wide.get(), copy.length, u'#');
#ifdef VOGAME_HOST_ASAN
    if (copy.narrow) ASAN_POISON_MEMORY_REGION(copy.narrow.get(), BytesOf<char>(copy.length));
    if (copy.wide) ASAN_POISON_MEMORY_REGION(copy.wide.get(), BytesOf<char16_t>(copy.length));
    copy.poisoned = true;
#endif
}

// Before the copy is freed: the allocator must see its bytes as they were handed out.
void KernelText::Unpoison(Copy& copy) noexcept {
    if (!copy.poisoned) return;
#ifdef VOGAME_HOST_ASAN
    if (copy.narrow) ASAN_UNPOISON_MEMORY_REGION(copy.narrow.get(), BytesOf<char>(copy.length));
    if (copy.wide) ASAN_UNPOISON_MEMORY_REGION(copy.wide.get(), BytesOf<char16_t>(copy.length));
#endif
    copy.poisoned = false;
}

KernelText::Copy& KernelText::NextSlot() {
    Copy& slot = copies_[next_];
    Unpoison(slot);
    pending_ = next_;
    next_ = (next_ + 1) % kKept;
    return slot;
}

const char* KernelText::Hand(const std::string& kept) {
    if (!strict_ && !reusedEarly_) return kept.c_str();
    auto copy = std::make_unique<char[]>(kept.size() + 1);
    std::copy(kept.begin(), kept.end(), copy.get());
    copy[kept.size()] = '\0';
    Copy& slot = NextSlot();
    slot = Copy{std::move(copy), nullptr, kept.size()};
    return slot.narrow.get();
}

const char16_t* KernelText::Hand(const std::u16string& kept) {
    if (!strict_ && !reusedEarly_) return kept.c_str();
    auto copy = std::make_unique<char16_t[]>(kept.size() + 1);
    std::copy(kept.begin(), kept.end(), copy.get());
    copy[kept.size()] = u'\0';
    Copy& slot = NextSlot();
    slot = Copy{nullptr, std::move(copy), kept.size()};
    return slot.wide.get();
}

KernelText::Call::Call(KernelText& text) noexcept : text_(text), taken_(text.pending_) { text.pending_ = kNone; }

KernelText::Call::~Call() {
    if (taken_ != kNone) Retire(text_.copies_[taken_]);
    if (text_.reusedEarly_ && text_.pending_ != kNone) {
        Copy& handed = text_.copies_[text_.pending_];
        if (handed.narrow) std::fill_n(handed.narrow.get(), handed.length, '#');
        if (handed.wide) std::fill_n(handed.wide.get(), handed.length, u'#');
    }
}
