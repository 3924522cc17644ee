#pragma once
// The library's two exports: the interface version and the head of the creator list.
#include "IModuleCreator.h"

#if defined(_WIN32)
#define VOGAME_EXPORT __declspec(dllexport)
#else
#define VOGAME_EXPORT __attribute__((visibility("default")))
#endif

// The interface version the host checks before walking the creators.
inline constexpr unsigned int kVoGameLogicVersion = 0x20010011u;

extern "C" {
VOGAME_EXPORT unsigned int VoGameLogic_GetVersion();
VOGAME_EXPORT IModuleCreator* VoGameLogic_GetModuleCreator();
}

// Names a host uses with dlsym/GetProcAddress.
inline constexpr const char* kGetVersionExport = "VoGameLogic_GetVersion";
inline constexpr const char* kGetModuleCreatorExport = "VoGameLogic_GetModuleCreator";
using GetVersionFunc = unsigned int (*)();
using GetModuleCreatorFunc = IModuleCreator* (*)();
