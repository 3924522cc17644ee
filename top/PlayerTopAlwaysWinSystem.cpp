#include "PlayerTopAlwaysWinSystem.h"

bool PlayerTopAlwaysWinSystem::Init(IKernel*) { return true; }
bool PlayerTopAlwaysWinSystem::AfterInit(IKernel*) { return true; }
bool PlayerTopAlwaysWinSystem::Shut() { return true; }
