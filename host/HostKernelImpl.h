#pragma once
// The parts of a HostKernel, shared by the files that implement it.
#include <cstdint>
#include <memory>
#include <string>

#include "CallbackDispatch.h"
#include "ClassRegistry.h"
#include "ClientInboxes.h"
#include "DiagnosticLog.h"
#include "HeldListStore.h"
#include "HostKernel.h"
#include "HostObjects.h"
#include "KernelLogs.h"
#include "KernelText.h"
#include "PubDataGate.h"
#include "TextMap.h"
#include "TimerQueue.h"
#include "Utility/NullText.h"

struct HostKernel::Impl {
    Impl(HostKernel& kernel, PubDataStore& s, int n)
        : self(kernel),
          held(s.WantsListImages() ? std::make_unique<HeldListStore>(s) : nullptr),
          store(held ? *held : s),
          server(n),
          classes(diagnostics),
          objects(classes, diagnostics, n),
          dispatch(kernel, classes, objects, diagnostics, n),
          timers(kernel, objects, dispatch, gate),
          logs(n) {}

    // Allocations made inside the outermost kernel call, when a counter is set.
    class AllocationScope {
    public:
        explicit AllocationScope(Impl& impl) noexcept : impl_(impl), counting_(impl.allocationCount != nullptr) {
            if (counting_ && impl_.callDepth++ == 0) start_ = impl_.allocationCount();
        }
        ~AllocationScope() {
            if (counting_ && --impl_.callDepth == 0) impl_.allocationsInCalls += impl_.allocationCount() - start_;
        }
        AllocationScope(const AllocationScope&) = delete;
        AllocationScope& operator=(const AllocationScope&) = delete;

    private:
        Impl& impl_;
        bool counting_;
        std::uint64_t start_ = 0;
    };

    // Every IKernel operation: counted; a halted server gets the neutral result.
    template <class T, class Op>
    T Serve(T neutral, Op&& op) {
        ++calls;
        const AllocationScope allocations(*this);
        const KernelText::Call call(text);
        if (gate.Halted()) return neutral;
        return op();
    }
    template <class Op>
    void Serve(Op&& op) {
        ++calls;
        const AllocationScope allocations(*this);
        const KernelText::Call call(text);
        if (!gate.Halted()) op();
    }
    // A public-data operation: also counted by operation, and where a halt trigger fires.
    template <class T, class Op>
    T ServePub(PubOp which, T neutral, Op&& op) {
        ++calls;
        const AllocationScope allocations(*this);
        const KernelText::Call call(text);
        if (!gate.Admit(which)) return neutral;
        const PubDataStore::CallerScope caller(server);
        return op();
    }

    // Text handed out: the kept value's, or "" when there is none.
    const char* Text(const std::string* kept) { return kept != nullptr ? text.Hand(*kept) : ""; }
    const char16_t* Text(const std::u16string* kept) { return kept != nullptr ? text.Hand(*kept) : u""; }

    // Every property write: the value, then (unless halted) the observer.
    bool AssignProperty(const ObjectId& obj, std::string_view name, int type, HostValue&& value) {
        HostValue previous;
        const char* interned = nullptr;
        if (!objects.AssignProperty(obj, name, type, std::move(value), previous, interned)) return false;
        if (observer != nullptr && !gate.Halted()) observer->OnPropertySet(self, obj, interned, previous);
        return true;
    }

    bool Destroy(const ObjectId& obj) {
        if (!objects.Destroy(obj)) return false;
        timers.Detach(obj);  // its pending heartbeats find no attachment and end
        inboxes.Drop(obj);
        return true;
    }

    void Diagnose(const std::string& line) { diagnostics.Add("server " + std::to_string(server) + ": " + line); }

    HostKernel& self;
    std::unique_ptr<HeldListStore> held;  // over a store a round trip away: lists held are served from images
    PubDataStore& store;
    int server;
    std::uint64_t calls = 0;
    std::uint64_t (*allocationCount)() noexcept = nullptr;
    std::uint64_t allocationsInCalls = 0;
    int callDepth = 0;
    DiagnosticLog diagnostics;
    ClassRegistry classes;
    HostObjects objects;
    CallbackDispatch dispatch;
    PubDataGate gate;
    TimerQueue timers;
    ClientInboxes inboxes;
    KernelLogs logs;
    KernelText text;
    TextMap<std::string, IModule*> siblings;
    PropertyObserver* observer = nullptr;
    std::string resourcePath = "./";
};
