#include "WideText.h"

#include <string_view>
#include <utility>

#include "NullText.h"
#include "Platform.h"

namespace {
std::u16string UpToFirstZero(std::u16string s) {
    const auto zero = s.find(u'\0');
    if (zero != std::u16string::npos) {
        s.resize(zero);
    }
    return s;
}
}  // namespace

std::u16string StringToWide(const char* text, unsigned codePage) {
    const std::string_view narrow = View(text);
    std::u16string out;
    if (!Platform::NarrowToWide(codePage, narrow.data(), narrow.size(), out)) {
        return {};
    }
    return out;
}

std::u16string StringToWide(const std::string& text, unsigned codePage) {
    std::u16string out;
    if (!Platform::NarrowToWide(codePage, text.data(), text.size(), out)) {
        return {};
    }
    return UpToFirstZero(std::move(out));
}

std::string WideToString(const char16_t* text, unsigned codePage) {
    const std::u16string_view wide = View(text);
    // Sized by the conversion itself: valid text is never cut.
    std::string out;
    if (!Platform::WideToNarrow(codePage, wide.data(), wide.size(), out)) {
        return {};
    }
    return out;
}
