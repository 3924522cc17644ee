// The creator list and the two exports. All four creators live in this one file
// so that their construction order, and with it the list order, is fixed.
#include "../Utility/ModuleCreator.h"
#include "../module/ModuleExports.h"

#include "NationResourceTopSystem.h"
#include "NewCharmTopSystem.h"
#include "PlayerTopAlwaysWinSystem.h"
#include "PlayerTopSystem.h"

namespace {

constinit IModuleCreator* g_creatorHead = nullptr;

VOGAME_DEFINE_MODULE_CREATOR(NationResourceTopSystem);
VOGAME_DEFINE_MODULE_CREATOR(PlayerTopSystem);
VOGAME_DEFINE_MODULE_CREATOR(NewCharmTopSystem);
VOGAME_DEFINE_MODULE_CREATOR(PlayerTopAlwaysWinSystem);

// Constructed in this order, so the list reads from the head: win streak, charm,
// player, nation, then null. Destroyed in reverse at unload.
NationResourceTopSystemModuleCreator g_nationCreator(g_creatorHead);
PlayerTopSystemModuleCreator g_playerCreator(g_creatorHead);
NewCharmTopSystemModuleCreator g_charmCreator(g_creatorHead);
PlayerTopAlwaysWinSystemModuleCreator g_alwaysWinCreator(g_creatorHead);

}  // namespace

extern "C" {

VOGAME_EXPORT unsigned int VoGameLogic_GetVersion() { return kVoGameLogicVersion; }

VOGAME_EXPORT IModuleCreator* VoGameLogic_GetModuleCreator() { return g_creatorHead; }

}  // extern "C"
