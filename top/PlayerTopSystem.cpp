#include "PlayerTopSystem.h"

bool PlayerTopSystem::Init(IKernel*) { return true; }
bool PlayerTopSystem::AfterInit(IKernel*) { return true; }
bool PlayerTopSystem::Shut() { return true; }
