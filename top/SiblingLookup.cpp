#include "SiblingLookup.h"

#include "../Utility/NullText.h"
#include "../module/IKernel.h"

namespace TopList {

IModule* FindSibling(IKernel* kernel, const char* name, const char* location) {
    if (IModule* sibling = kernel->GetLogicModule(name)) return sibling;
    // Built in a fixed buffer: the report must get out even when memory is short.
    char message[128];
    int used = 0;
    const auto append = [&message, &used](const char* text) {
        for (; *text != '\0' && used + 1 < static_cast<int>(sizeof(message)); ++text) message[used++] = *text;
        message[used] = '\0';
    };
    append("Not exist ");
    append(OrEmpty(name));
    append(" module!");
    const char* where = OrEmpty(location);
    kernel->WriteTrace(message);
    kernel->WriteTrace(where);
    kernel->WriteLog(message);
    kernel->WriteLog(where);
    return nullptr;
}

}  // namespace TopList
