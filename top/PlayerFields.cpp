#include "PlayerFields.h"

#include "../Utility/NullText.h"
#include "../module/ValueType.h"
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

void PushPlayerRow(IKernel* kernel, const ObjectId& player, std::span<const PlayerField> fields, const char16_t* name,
                   int keyField, int key, IVarList& out) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i == 0) {
            out.PushWideString(OrEmpty(name));
        } else if (i == static_cast<std::size_t>(keyField)) {
            out.PushInt(key);
        } else {
            PushPlayerValues(kernel, player, fields.subspan(i, 1), out);
        }
    }
}

bool IsAdmitted(IKernel* kernel, const ObjectId& player) { return kernel->QueryInt(player, "GutOver") >= 1; }

bool IsActiveParticipant(IKernel* kernel, const ObjectId& player) {
    return kernel->Exists(player) && IsAdmitted(kernel, player);
}

}  // namespace TopList
