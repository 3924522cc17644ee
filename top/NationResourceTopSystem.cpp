#include "NationResourceTopSystem.h"

bool NationResourceTopSystem::Init(IKernel*) { return true; }
bool NationResourceTopSystem::AfterInit(IKernel*) { return true; }
bool NationResourceTopSystem::Shut() { return true; }
