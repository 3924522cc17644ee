#include "NewCharmTopSystem.h"

bool NewCharmTopSystem::Init(IKernel*) { return true; }
bool NewCharmTopSystem::AfterInit(IKernel*) { return true; }
bool NewCharmTopSystem::Shut() { return true; }
