#include "PlayerFields.h"

#include "../Utility/NullText.h"
#include "../Utility/ValueType.h"
#include "../module/IKernel.h"

namespace TopList {

void PushPlayerValues(IKernel* kernel, const ObjectId& player, std::span<const PlayerField> fields, IVarList& out) {
    for (const PlayerField& field : fields) {
        switch (field.type) {
            case VT_WIDESTR: out.PushWideString(OrEmpty(kernel->QueryWideStr(player, field.property))); break;
            case VT_STRING: out.PushString(OrEmpty(kernel->QueryString(player, field.property))); break;
            default: out.PushInt(kernel->QueryInt(player, field.property)); break;
        }
    }
}

bool IsAdmitted(IKernel* kernel, const ObjectId& player) { return kernel->QueryInt(player, "GutOver") >= 1; }

bool IsActiveParticipant(IKernel* kernel, const ObjectId& player) {
    return kernel->Exists(player) && IsAdmitted(kernel, player);
}

}  // namespace TopList
