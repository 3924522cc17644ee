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
    IKernel* kernel = handle.Kernel();
    const char16_t* name = row.WideStringAt(0);
    const int key = row.IntAt(static_cast<std::size_t>(keyColumn));
    const int rows = handle.Rows();

    const int listed = handle.FindRowByName(name);
    if (listed < 0) {
        if (rows >= capacity) {
            const int last = capacity - 1;
            if (key <= handle.CellInt(last, keyColumn)) return -1;
            kernel->RemovePubRecordRow(handle.PubIndex(), handle.RecordName(), last);
        }
        return handle.AddRow(PositionBelowEqual(handle, keyColumn, key), row);
    }

    // His place in the list without his old row: below the last other row whose key is >= his.
    int place = 0;
    for (int r = rows - 1; r >= 0; --r) {
        if (r != listed && handle.CellInt(r, keyColumn) >= key) {
            place = r > listed ? r : r + 1;
            break;
        }
    }
    if (place == listed) return handle.SetRow(listed, row) ? listed : -1;
    if (rows < capacity) {
        // Insert first, then drop the old row: if the insert fails the list is as it was.
        const int insertAt = place < listed ? place : place + 1;
        if (handle.AddRow(insertAt, row) < 0) return -1;
        kernel->RemovePubRecordRow(handle.PubIndex(), handle.RecordName(), place < listed ? listed + 1 : listed);
        return place;
    }
    // A full list has no room for a second copy: the old row leaves first.
    kernel->RemovePubRecordRow(handle.PubIndex(), handle.RecordName(), listed);
    return handle.AddRow(place, row);
}

void WriteRowCells(PubRecordHandle& handle, int row, const IVarList& values, std::size_t first, std::size_t count) {
    IKernel* kernel = handle.Kernel();
    const int index = handle.PubIndex();
    const char* record = handle.RecordName();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = first + i;
        const int col = static_cast<int>(i);
        switch (values.TypeAt(at)) {
            case VT_INT: kernel->SetPubRecordInt(index, record, row, col, values.IntAt(at)); break;
            case VT_FLOAT: kernel->SetPubRecordFloat(index, record, row, col, values.FloatAt(at)); break;
            case VT_STRING: kernel->SetPubRecordString(index, record, row, col, values.StringAt(at)); break;
            case VT_WIDESTR: kernel->SetPubRecordWideStr(index, record, row, col, values.WideStringAt(at)); break;
            default: break;
        }
    }
}

void AppendRowCells(PubRecordHandle& handle, const IVarList& values, std::size_t first, std::size_t count) {
    const int row = handle.Rows();
    if (row < 0 || !handle.Kernel()->InsertPubRecordRow(handle.PubIndex(), handle.RecordName(), row)) return;
    WriteRowCells(handle, row, values, first, count);
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
