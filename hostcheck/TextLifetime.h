#pragma once
// The text-lifetime rule: text a kernel operation returns stays as it was
// handed out until the plug-in's next call on that kernel, whatever the
// plug-in does meanwhile without calling it (copying, allocating, freeing).
// A kernel that reuses its buffer on the way out hands over changed text; one
// that hands out memory it has freed sees it overwritten by the plug-in's own
// next allocations. Both show here.
#include <string>
#include <string_view>

namespace HostCheck {

class TextLifetime {
public:
    // Checks text just returned by `operation` (no kernel call since), against
    // the text the plug-in wrote there (unless it came back empty, the neutral
    // value of a cell the kernel could not read), then against the plug-in's
    // own copy of it. False, with the first failure kept, when it changed.
    bool Check(const char* operation, const char* text, const char* expected = nullptr);
    bool Check(const char* operation, const char16_t* text, const char16_t* expected = nullptr);

    bool Failed() const noexcept { return !failure_.empty(); }
    const std::string& Failure() const noexcept { return failure_; }
    // The operations checked so far, in order, each once.
    const std::string& Operations() const noexcept { return operations_; }

private:
    template <class Char>
    bool CheckAny(const char* operation, const Char* text, const Char* expected);

    std::string failure_;
    std::string operations_;
};

// Allocates, fills and frees blocks of the sizes small text lives in, as the
// plug-in's own work between two kernel calls would.
void DoOwnWork();

// Readable form of text for a line: printable ASCII as it is, anything else as
// \uXXXX, cut after 40 units.
std::string Shown(std::u16string_view text);
std::string Shown(std::string_view text);

}  // namespace HostCheck
