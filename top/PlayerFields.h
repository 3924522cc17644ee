#pragma once
// Player properties copied into a list, and the admission rule of the player and
// charm lists.
#include <span>

#include "../module/IVarList.h"
#include "../module/ObjectId.h"

class IKernel;

namespace TopList {

// One player property copied into a list: its name and the type it is read as
// (VT_INT with QueryInt, VT_STRING with QueryString, VT_WIDESTR with QueryWideStr).
struct PlayerField {
    const char* property;
    int type;
};

// Appends the player's current values, one per field, in field order. Missing
// properties read as the kernel's neutral values (0, empty text).
void PushPlayerValues(IKernel* kernel, const ObjectId& player, std::span<const PlayerField> fields, IVarList& out);

// Appends the player's row, one value per field in field order, where the name
// (field 0) and the ranking value (field keyField) were read before: only the
// other fields are asked of the kernel.
void PushPlayerRow(IKernel* kernel, const ObjectId& player, std::span<const PlayerField> fields, const char16_t* name,
                   int keyField, int key, IVarList& out);

// A player takes part in the player and charm lists once "GutOver" is 1 or more.
bool IsAdmitted(IKernel* kernel, const ObjectId& player);

// The player exists and is admitted: the common first check of the value handlers.
bool IsActiveParticipant(IKernel* kernel, const ObjectId& player);

}  // namespace TopList
