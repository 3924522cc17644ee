#pragma once
// The library's entries that the host calls: GetModule, Init, AfterInit, Shut
// and every registered callback. On Windows no exception may leave the DLL: a
// host built with MSVC cannot catch what this C++ runtime throws (not even
// std::bad_alloc), so it would end the game server. There an entry that fails
// ends with its neutral result instead (GetModule null, Init, AfterInit and
// Shut false, a callback 0), after one WriteLog line when a kernel is at hand;
// the locks taken inside were released on the way out by their holders (RAII).
// Elsewhere the body runs as it is and std::bad_alloc reaches the host.
//
// An entry the host runs inside a kernel call of the library (a command to the
// scenes reaches the library's command callbacks at once) cannot throw to that
// call either; library code that must know counts ShortagesContained() around
// the call (RetryOnShortage does).
//
// The library's lists need nothing of this: it hands them to the host only to
// read (const IVarList&), and reading a CVarList or an ImageRow neither
// allocates nor throws.
#include <atomic>
#include <cstdint>
#include <new>
#include <type_traits>

#include "../module/IKernel.h"
#include "../module/IModule.h"

namespace HostEntry {

#if defined(_WIN32)
inline constexpr bool kContainsFailures = true;
#else
inline constexpr bool kContainsFailures = false;
#endif

// The line a contained failure leaves in the host's log.
inline constexpr const char* kOutOfMemoryLine = "VoGameLogic: out of memory; the call ended with its neutral result";
inline constexpr const char* kFailureLine = "VoGameLogic: unexpected exception; the call ended with its neutral result";

// The failures for want of memory contained so far by this load of the library.
// One count per load, not per thread: a load serves one server, driven by one
// thread at a time (and MinGW's emulated thread-local storage would leave its
// clean-up to run after the DLL is gone).
inline std::atomic<std::uint64_t> g_shortagesContained{0};
inline std::uint64_t ShortagesContained() noexcept { return g_shortagesContained.load(std::memory_order_relaxed); }

template <class Result, class Body>
Result Run([[maybe_unused]] IKernel* kernel, [[maybe_unused]] Result neutral, Body&& body) {
    if constexpr (kContainsFailures) {
        const char* line = nullptr;
        try {
            return body();
        } catch (const std::bad_alloc&) {
            g_shortagesContained.fetch_add(1, std::memory_order_relaxed);
            line = kOutOfMemoryLine;
        } catch (...) {
            line = kFailureLine;
        }
        if (kernel != nullptr) {
            try {
                kernel->WriteLog(line);
            } catch (...) {  // the host is short of memory too: the neutral result says enough
            }
        }
        return neutral;
    } else {
        return body();
    }
}

// A registered callback F, run as an entry.
template <auto F, class... Args>
int Callback(IKernel* kernel, Args... args) {
    return Run(kernel, 0, [&] { return F(kernel, args...); });
}

template <auto F, class... Args>
constexpr auto CallbackOf(int (*)(IKernel*, Args...)) {
    return &Callback<F, Args...>;
}

template <auto F>
constexpr auto Registered() {
    if constexpr (kContainsFailures) {
        return CallbackOf<F>(F);
    } else {
        return F;
    }
}

// The module as the host meets it on Windows: Init, AfterInit and Shut run as entries.
template <class Module>
class ContainedModule final : public Module {
public:
    VOGAME_DELETING_DESTRUCTOR(ContainedModule)
    bool Init(IKernel* kernel) override {
        return Run(kernel, false, [&] { return Module::Init(kernel); });
    }
    bool AfterInit(IKernel* kernel) override {
        return Run(kernel, false, [&] { return Module::AfterInit(kernel); });
    }
    bool Shut() override {
        return Run(nullptr, false, [&] { return Module::Shut(); });
    }
};

}  // namespace HostEntry

// What the library registers with the host for the callback F: F itself, or on
// Windows F run as an entry.
template <auto F>
inline constexpr auto Contained = HostEntry::Registered<F>();

// The class a creator makes for the module class M.
template <class M>
using HostedModule = std::conditional_t<HostEntry::kContainsFailures, HostEntry::ContainedModule<M>, M>;
