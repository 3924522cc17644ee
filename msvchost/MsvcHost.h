#pragma once
// The MSVC-ABI host (VoGameMsvcHost.dll): a bridge compiled by clang for the
// x86_64-pc-windows-msvc target, so that MSVC-compiled code sits on the host
// side of every crossing of the plug-in's boundary. The reference host, in its
// MSVC host mode (VOGAME_MSVC_HOST names this DLL; see host/PluginLibrary.h),
// loads it in place of a plug-in, opens the plug-in through it, and from then on
// talks to the bridge as to the plug-in itself: the bridge answers the plug-in's
// two exports with the plug-in's version and a mirror of its creator list, and
// forwards every call in both directions (kernel, siblings, lists, callbacks).
// Any plug-in with the two exports can be opened so: the path is the host's.
inline constexpr const char* kMsvcHostOpenExport = "VoGameMsvcHost_Open";
inline constexpr const char* kMsvcHostCloseExport = "VoGameMsvcHost_Close";

// Loads the plug-in at path (native separators) and mirrors its creator list:
// 1, or 0 when it cannot be loaded or lacks one of its two exports.
using MsvcHostOpenFunc = int (*)(const char16_t* path);
// Unloads the plug-in (its creators' destruction runs) and frees all the
// bridge made; the bridge may then be unloaded or opened again.
using MsvcHostCloseFunc = void (*)();
