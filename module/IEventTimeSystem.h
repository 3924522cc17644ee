#pragma once
// Sibling that raises timed events daily at a time of day.
#include "IVarList.h"
#include "IModule.h"

class IEventTimeSystem : public IModule {
public:
    // Daily at timeText ("hh:mm:ss") command 326 reaches a "BaseScene" object of the
    // scene, with kind as element 1 and args after it.
    virtual bool AddTimeEvent(int kind, const char* timeText, int sceneId, const IVarList& args) = 0;
};
