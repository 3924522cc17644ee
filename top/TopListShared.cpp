#include "TopListShared.h"

#include "../Utility/ValueType.h"

namespace TopList {

bool IsAdmitted(IKernel* kernel, const ObjectId& player) { return kernel->QueryInt(player, "GutOver") >= 1; }

bool IsActiveParticipant(IKernel* kernel, const ObjectId& player) {
    return kernel->Exists(player) && IsAdmitted(kernel, player);
}

void WriteMissingSiblingReport(IKernel* kernel, const char* siblingName, const char* location) {
    // Built in a fixed buffer: the report must get out even when memory is short.
    char message[128];
    int used = 0;
    const auto append = [&message, &used](const char* text) {
        for (; *text != '\0' && used + 1 < static_cast<int>(sizeof(message)); ++text) message[used++] = *text;
        message[used] = '\0';
    };
    append("Not exist ");
    append(siblingName != nullptr ? siblingName : "");
    append(" module!");
    const char* where = location != nullptr ? location : "";
    kernel->WriteTrace(message);
    kernel->WriteTrace(where);
    kernel->WriteLog(message);
    kernel->WriteLog(where);
}

void PushPlayerValues(IKernel* kernel, const ObjectId& player, std::span<const PlayerField> fields, IVarList& out) {
    for (const PlayerField& field : fields) {
        switch (field.type) {
            case VT_WIDESTR: {
                const char16_t* text = kernel->QueryWideStr(player, field.property);
                out.PushWideString(text != nullptr ? text : u"");
                break;
            }
            case VT_STRING: {
                const char* text = kernel->QueryString(player, field.property);
                out.PushString(text != nullptr ? text : "");
                break;
            }
            default: out.PushInt(kernel->QueryInt(player, field.property)); break;
        }
    }
}

int PositionBelowEqual(PubRecordHandle& handle, int keyColumn, int key) {
    for (int row = handle.Rows() - 1; row >= 0; --row) {
        if (handle.CellInt(row, keyColumn) >= key) return row + 1;
    }
    return 0;
}

int PlaceRankedRow(PubRecordHandle& handle, const IVarList& row, int keyColumn, int capacity) {
    if (keyColumn < 0 || row.Size() <= static_cast<std::size_t>(keyColumn) || row.TypeAt(0) != VT_WIDESTR) return -1;
    const char16_t* name = row.WideStringAt(0);
    const int key = row.IntAt(static_cast<std::size_t>(keyColumn));

    const int listed = handle.FindRowByName(name);
    if (listed >= 0) {
        handle.Kernel()->RemovePubRecordRow(handle.PubIndex(), handle.RecordName(), listed);
    } else if (handle.Rows() >= capacity) {
        const int last = capacity - 1;
        if (key <= handle.CellInt(last, keyColumn)) return -1;
        handle.Kernel()->RemovePubRecordRow(handle.PubIndex(), handle.RecordName(), last);
    }
    return handle.AddRow(PositionBelowEqual(handle, keyColumn, key), row);
}

void PushRankedRows(PubRecordHandle& handle, int maxRows, IVarList& out) {
    const int rows = std::min(handle.Rows(), maxRows);
    for (int row = 0; row < rows; ++row) {
        out.PushInt(row + 1);
        handle.CopyRowToList(row, out);
    }
}

int PushOwnEntry(PubRecordHandle& handle, IKernel* kernel, const ObjectId& player, const char16_t* name,
                 std::span<const PlayerField> unlistedFields, IVarList& out) {
    const int row = handle.FindRowByName(name);
    if (row >= 0) {
        const std::size_t rankAt = out.Size();
        out.PushInt(row + 1);
        if (handle.CopyRowToList(row, out)) return row;
        // Readers take no lock: the row may have gone since it was found.
        out.SetIntAt(rankAt, 0);
    } else {
        out.PushInt(0);
    }
    PushPlayerValues(kernel, player, unlistedFields, out);
    return -1;
}

}  // namespace TopList
