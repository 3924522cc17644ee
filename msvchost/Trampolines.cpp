// Callbacks the library registers reach the host as trampolines compiled here:
// a fixed set per kind of callback, each bound to one library function (the same
// function always gets the same trampoline). A trampoline calls its function
// with the library's kernel for the host's and the host's list forwarded.
#include "Bridge.h"
#include "ForwardedList.h"

namespace {

template <class T, T... N>
struct Sequence {};

// Events, commands and custom messages.
struct EventKind {
    using Func = EventCallback;
    static constexpr int kSlots = 64;
    static inline Func library[kSlots] = {};
    template <int N>
    static int Trampoline(IKernel* kernel, const ObjectId& self, const ObjectId& sender, const IVarList& args) {
        const ForwardedList list(args);
        return library[N](Bridge::LibraryKernel(kernel), self, sender, list);
    }
};

struct HeartBeatKind {
    using Func = HeartBeatCallback;
    static constexpr int kSlots = 16;
    static inline Func library[kSlots] = {};
    template <int N>
    static int Trampoline(IKernel* kernel, const ObjectId& self) {
        return library[N](Bridge::LibraryKernel(kernel), self);
    }
};

struct PropertyKind {
    using Func = PropertyCallback;
    static constexpr int kSlots = 64;
    static inline Func library[kSlots] = {};
    template <int N>
    static int Trampoline(IKernel* kernel, const ObjectId& self, const char* property, const IVarList& previous) {
        const ForwardedList list(previous);
        return library[N](Bridge::LibraryKernel(kernel), self, property, list);
    }
};

template <class Kind, class Slots>
struct Trampolines;
template <class Kind, int... N>
struct Trampolines<Kind, Sequence<int, N...>> {
    static constexpr typename Kind::Func kAll[] = {&Kind::template Trampoline<N>...};
};

template <class Kind>
typename Kind::Func TrampolineFor(typename Kind::Func func) {
    using All = Trampolines<Kind, __make_integer_seq<Sequence, int, Kind::kSlots>>;
    if (func == nullptr) return nullptr;
    for (int slot = 0; slot < Kind::kSlots; ++slot) {
        if (Kind::library[slot] == nullptr) Kind::library[slot] = func;
        if (Kind::library[slot] == func) return All::kAll[slot];
    }
    return nullptr;
}

template <class Kind>
void Forget() {
    for (int slot = 0; slot < Kind::kSlots; ++slot) Kind::library[slot] = nullptr;
}

}  // namespace

EventCallback Bridge::HostEventCallback(EventCallback func) { return TrampolineFor<EventKind>(func); }
HeartBeatCallback Bridge::HostHeartBeat(HeartBeatCallback func) { return TrampolineFor<HeartBeatKind>(func); }
PropertyCallback Bridge::HostPropertyCallback(PropertyCallback func) { return TrampolineFor<PropertyKind>(func); }

void Bridge::ForgetCallbacks() {
    Forget<EventKind>();
    Forget<HeartBeatKind>();
    Forget<PropertyKind>();
}
