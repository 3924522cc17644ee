#include "LetterSystem.h"

namespace {
std::u16string Text(const char16_t* text) { return text != nullptr ? std::u16string(text) : std::u16string(); }
const std::vector<LetterSystem::Letter> kEmpty;
}  // namespace

bool LetterSystem::SendLetter(IKernel* kernel, const char16_t* sender, const char16_t* receiver, const char16_t* title,
                              const char16_t* content, const char16_t* attachment, int kind, const char16_t* extra) {
    // A halted server has stopped as a crash would stop it: it sends nothing more,
    // though the callback it was in runs to its end.
    if (const auto* host = dynamic_cast<const HostKernel*>(kernel); host != nullptr && host->Halted()) return false;
    Letter letter{Text(sender), Text(receiver), Text(title), Text(content), Text(attachment), kind, Text(extra), 0};
    // Only our own kernel is a HostKernel; the clock is read through the interface.
    if (kernel != nullptr) {
        double date = 0, time = 0;
        if (kernel->GetCurrentDateTime(date, time))
            letter.sentMs = static_cast<std::int64_t>(date - 25569.0) * HostClock::kMsPerDay +
                            static_cast<std::int64_t>(time) * 1000;
    }
    boxes_[letter.receiver].push_back(std::move(letter));
    ++total_;
    return true;
}

const std::vector<LetterSystem::Letter>& LetterSystem::Mailbox(std::u16string_view receiver) const {
    auto it = boxes_.find(std::u16string(receiver));
    return it == boxes_.end() ? kEmpty : it->second;
}

std::vector<const LetterSystem::Letter*> LetterSystem::AllLetters() const {
    std::vector<const Letter*> all;
    for (const auto& [name, box] : boxes_)
        for (const Letter& l : box) all.push_back(&l);
    return all;
}

void LetterSystem::Clear() {
    boxes_.clear();
    total_ = 0;
}
