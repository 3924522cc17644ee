#include "TextLifetime.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace HostCheck {

namespace {

template <class Char>
std::string ShownText(std::basic_string_view<Char> text) {
    std::string out;
    std::size_t n = 0;
    for (const Char c : text) {
        if (++n > 40) {
            out += "...";
            break;
        }
        const auto u = static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(c));
        if (u >= 0x20 && u < 0x7F && u != '\\') {
            out += static_cast<char>(u);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", u);
            out += escaped;
        }
    }
    return out;
}

template <class Char>
bool CheckText(const char* operation, const Char* text, const Char* expected, std::string& failure) {
    if (text == nullptr) {
        failure = std::string(operation) + " returned a null text (the library reads an empty text as \"\")";
        return false;
    }
    // Against what was written, at once: a buffer reused on the way out shows
    // here. An empty text is the kernel's neutral value for a cell it could not
    // read, which the record rules report.
    if (expected != nullptr && *text != Char(0) &&
        std::basic_string_view<Char>(text) != std::basic_string_view<Char>(expected)) {
        failure = std::string(operation) + " handed out \"" + ShownText(std::basic_string_view<Char>(text)) +
                  "\" where \"" + ShownText(std::basic_string_view<Char>(expected)) +
                  "\" was written: its text was reused before the plug-in's next call";
        return false;
    }
    const std::basic_string<Char> before(text);
    DoOwnWork();
    const std::basic_string_view<Char> after(text);
    if (after != before) {
        failure = std::string(operation) + "'s text changed from \"" + ShownText(std::basic_string_view<Char>(before)) +
                  "\" to \"" + ShownText(after) +
                  "\" while the plug-in allocated and freed its own memory, before its next kernel call "
                  "(text in memory the kernel had already given back?)";
        return false;
    }
    return true;
}

}  // namespace

std::string Shown(std::u16string_view text) { return ShownText(text); }
std::string Shown(std::string_view text) { return ShownText(text); }

void DoOwnWork() {
    std::vector<std::unique_ptr<unsigned char[]>> blocks;
    blocks.reserve(96);
    for (std::size_t round = 0; round < 2; ++round) {
        for (std::size_t size = 8; size <= 768; size += 8) {
            if (blocks.size() == blocks.capacity()) blocks.clear();
            blocks.push_back(std::make_unique<unsigned char[]>(size));
            std::memset(blocks.back().get(), 0xA5, size);
        }
    }
}

template <class Char>
bool TextLifetime::CheckAny(const char* operation, const Char* text, const Char* expected) {
    if (operations_.find(operation) == std::string::npos) {
        if (!operations_.empty()) operations_ += ", ";
        operations_ += operation;
    }
    std::string failure;
    if (CheckText(operation, text, expected, failure)) return true;
    if (failure_.empty()) failure_ = failure;
    return false;
}

bool TextLifetime::Check(const char* operation, const char* text, const char* expected) {
    return CheckAny(operation, text, expected);
}

bool TextLifetime::Check(const char* operation, const char16_t* text, const char16_t* expected) {
    return CheckAny(operation, text, expected);
}

}  // namespace HostCheck
