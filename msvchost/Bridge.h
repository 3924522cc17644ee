#pragma once
// What the parts of the MSVC-ABI host share (see MsvcHost.h for what it is).
// Words used throughout: the host is the reference host that loaded this DLL;
// the library is the plug-in it opened here. Whatever one side hands the other
// reaches it as an object compiled here that forwards to the original, so both
// directions of every call cross MSVC-compiled code on the host's side.
#include <cstddef>

#include "../module/IKernel.h"
#include "../module/KernelCallbacks.h"

namespace Bridge {

// Memory for the bridge's objects: a private heap, made at Open and dropped
// whole at Close (nothing the bridge makes outlives the plug-in).
bool MakeHeap();
void DropHeap();

// The kernel the library is given for a host kernel (made on first use), and
// the host kernel behind one the library hands back (itself if not ours).
IKernel* LibraryKernel(IKernel* hostKernel);
IKernel* HostKernel(IKernel* libraryKernel);

// What the library is given for the host's sibling of that name (made on first use).
IModule* LibrarySibling(IModule* hostSibling, const char* name);

// The function the host is given for a library callback: an MSVC-compiled
// trampoline that calls it with the library's kernel and the host's list
// forwarded. Null when every trampoline of that kind is taken (the callback is
// then refused, with this trace line).
inline constexpr const char* kNoTrampolineLeft =
    "VoGameMsvcHost: every trampoline of this kind is taken; the callback is refused";
EventCallback HostEventCallback(EventCallback libraryFunc);
HeartBeatCallback HostHeartBeat(HeartBeatCallback libraryFunc);
PropertyCallback HostPropertyCallback(PropertyCallback libraryFunc);

// Forget the kernels, siblings and callbacks made (at Close, before DropHeap).
void ForgetKernels();
void ForgetSiblings();
void ForgetCallbacks();

}  // namespace Bridge
