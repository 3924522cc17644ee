#pragma once
// The sibling that delivers system letters: one mailbox per receiver name,
// keeping every argument of every letter in arrival order. A halted server's
// letters go nowhere.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "HostKernel.h"
#include "module/ILetterSystem.h"

class LetterSystem final : public ILetterSystem {
public:
    VOGAME_DELETING_DESTRUCTOR(LetterSystem)
    struct Letter {
        std::u16string sender, receiver, title, content, attachment;
        int kind = 0;
        std::u16string extra;
        std::int64_t sentMs = 0;  // the kernel's clock when it was sent (0 without a kernel)
    };

    bool SendLetter(IKernel* kernel, const char16_t* sender, const char16_t* receiver, const char16_t* title,
                    const char16_t* content, const char16_t* attachment, int kind, const char16_t* extra) override;

    const std::vector<Letter>& Mailbox(std::u16string_view receiver) const;  // empty when none
    std::size_t TotalLetters() const noexcept { return total_; }
    std::vector<const Letter*> AllLetters() const;  // every mailbox's, in no particular order
    void Clear();

private:
    std::unordered_map<std::u16string, std::vector<Letter>> boxes_;
    std::size_t total_ = 0;
};
