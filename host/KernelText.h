#pragma once
// Text the kernel hands to the library (Query* results, configuration names,
// the resource path). The library may use it only until its next call on the
// same kernel.
//
// Strict mode (on by default) holds the host to the worst that promise allows:
// every such text is a copy of its own that is overwritten when the next call
// ends, with '#' of the same length, so a use after that reads garbage instead
// of running off the end, and tests see it. Under AddressSanitizer the
// overwritten copy is also poisoned, so any later read at all is reported where
// it happens, whether or not it changes a result. The next call itself may still
// take the text as an argument (FindPlayer(QueryWideStr(...)) keeps the
// promise). Overwritten copies are kept for a while, then freed.
#include <array>
#include <cstddef>
#include <memory>
#include <string>

class KernelText {
public:
    KernelText() = default;
    ~KernelText();
    KernelText(const KernelText&) = delete;
    KernelText& operator=(const KernelText&) = delete;

    void SetStrict(bool strict) noexcept { strict_ = strict; }
    bool Strict() const noexcept { return strict_; }
    // A fault, for tests of the host check only: every text is overwritten as
    // the call that handed it out ends, before the library sees it, as a kernel
    // that reuses its buffer on the way out would do. Never poisoned.
    void SetReusedEarly(bool early) noexcept { reusedEarly_ = early; }
    // Whether an overwritten copy is poisoned as well (a build with AddressSanitizer).
    static bool PoisonsRetiredText() noexcept;

    // Text the host keeps: handed out as it is, or as a copy in strict mode.
    const char* Hand(const std::string& kept);
    const char16_t* Hand(const std::u16string& kept);
    // Buffers for text copied out of the public data store, before it is handed out.
    std::string& NarrowScratch() noexcept { return narrowScratch_; }
    std::u16string& WideScratch() noexcept { return wideScratch_; }

    // One kernel call, from its start to its end.
    class Call {
    public:
        explicit Call(KernelText& text) noexcept;
        ~Call();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

    private:
        KernelText& text_;
        std::size_t taken_;  // the slot of the previous call's text, or kNone
    };

private:
    static constexpr std::size_t kKept = 256;  // overwritten copies kept before they are freed
    static constexpr std::size_t kNone = kKept;
    struct Copy {
        std::unique_ptr<char[]> narrow;
        std::unique_ptr<char16_t[]> wide;
        std::size_t length = 0;
        bool poisoned = false;
    };
    Copy& NextSlot();
    static void Retire(Copy& copy) noexcept;
    static void Unpoison(Copy& copy) noexcept;

    bool strict_ = true;
    bool reusedEarly_ = false;
    std::string narrowScratch_;
    std::u16string wideScratch_;
    std::array<Copy, kKept> copies_;  // a ring; the newest is the text of the last call
    std::size_t next_ = 0;
    std::size_t pending_ = kNone;  // the slot handed out by the last call, if any
};
