// The kernel's public-data operations: each passes the server's PubDataGate
// (counted by operation; where a halt trigger fires) on its way to the store.
#include "HostKernelImpl.h"

int HostKernel::GetPubDataIndex(const char16_t* name) {
    return impl_->ServePub(PubOp::GetPubDataIndex, -1, [&] { return impl_->store.SpaceIndex(View(name)); });
}
bool HostKernel::FindPubData(const char16_t* name) {
    return impl_->ServePub(PubOp::FindPubData, false, [&] { return impl_->store.SpaceIndex(View(name)) >= 0; });
}
bool HostKernel::AddPubData(const char16_t* name, int flag) {
    return impl_->ServePub(PubOp::AddPubData, false, [&] { return impl_->store.AddSpace(View(name), flag); });
}
bool HostKernel::FindPubProperty(int index, const char* name) {
    return impl_->ServePub(PubOp::FindPubProperty, false, [&] { return impl_->store.FindProperty(index, View(name)); });
}
bool HostKernel::AddPubProperty(int index, const char* name, int type) {
    return impl_->ServePub(PubOp::AddPubProperty, false,
                           [&] { return impl_->store.AddProperty(index, View(name), type); });
}
bool HostKernel::SetPubPropertySave(int index, const char* name, bool save) {
    return impl_->ServePub(PubOp::SetPubPropertySave, false,
                           [&] { return impl_->store.SetPropertySave(index, View(name), save); });
}
bool HostKernel::SetPubPropertyInt(int index, const char* name, int value) {
    return impl_->ServePub(PubOp::SetPubPropertyInt, false,
                           [&] { return impl_->store.SetPropertyInt(index, View(name), value); });
}
bool HostKernel::CompareSetPubPropertyInt(int index, const char* name, int expected, int desired) {
    // Halted: true, so a lock loop ends at once and an unlock changes nothing.
    return impl_->ServePub(PubOp::CompareSetPubPropertyInt, true, [&] {
        const bool granted = impl_->store.CompareSetPropertyInt(index, View(name), expected, desired);
        if (granted) {
            impl_->gate.Granted(View(name), expected, desired);
        } else {
            impl_->gate.Refused(View(name), expected, desired);
        }
        return granted;
    });
}
bool HostKernel::FindPubRecord(int index, const char* rec) {
    return impl_->ServePub(PubOp::FindPubRecord, false, [&] { return impl_->store.FindRecord(index, View(rec)); });
}
bool HostKernel::AddPubRecord(int index, const char* rec, int maxRows, int cols) {
    return impl_->ServePub(PubOp::AddPubRecord, false,
                           [&] { return impl_->store.AddRecord(index, View(rec), maxRows, cols); });
}
bool HostKernel::RemovePubRecord(int index, const char* rec) {
    return impl_->ServePub(PubOp::RemovePubRecord, false, [&] { return impl_->store.RemoveRecord(index, View(rec)); });
}
bool HostKernel::SetPubRecordSave(int index, const char* rec, bool save) {
    return impl_->ServePub(PubOp::SetPubRecordSave, false,
                           [&] { return impl_->store.SetRecordSave(index, View(rec), save); });
}
bool HostKernel::SetPubRecordColType(int index, const char* rec, int col, int type) {
    return impl_->ServePub(PubOp::SetPubRecordColType, false,
                           [&] { return impl_->store.SetColType(index, View(rec), col, type); });
}
int HostKernel::GetPubRecordColType(int index, const char* rec, int col) {
    return impl_->ServePub(PubOp::GetPubRecordColType, static_cast<int>(VT_NONE),
                           [&] { return impl_->store.ColType(index, View(rec), col); });
}
int HostKernel::GetPubRecordMax(int index, const char* rec) {
    return impl_->ServePub(PubOp::GetPubRecordMax, -1, [&] { return impl_->store.MaxRows(index, View(rec)); });
}
int HostKernel::GetPubRecordRows(int index, const char* rec) {
    return impl_->ServePub(PubOp::GetPubRecordRows, -1, [&] { return impl_->store.Rows(index, View(rec)); });
}
int HostKernel::GetPubRecordCols(int index, const char* rec) {
    return impl_->ServePub(PubOp::GetPubRecordCols, -1, [&] { return impl_->store.Cols(index, View(rec)); });
}
bool HostKernel::InsertPubRecordRow(int index, const char* rec, int row) {
    return impl_->ServePub(PubOp::InsertPubRecordRow, false,
                           [&] { return impl_->store.InsertRow(index, View(rec), row); });
}
int HostKernel::AddPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) {
    return impl_->ServePub(PubOp::AddPubRecordRowValue, -1,
                           [&] { return impl_->store.AddRowValues(index, View(rec), row, values); });
}
bool HostKernel::RemovePubRecordRow(int index, const char* rec, int row) {
    return impl_->ServePub(PubOp::RemovePubRecordRow, false,
                           [&] { return impl_->store.RemoveRow(index, View(rec), row); });
}
bool HostKernel::ClearPubRecord(int index, const char* rec) {
    return impl_->ServePub(PubOp::ClearPubRecord, false, [&] { return impl_->store.ClearRecord(index, View(rec)); });
}
int HostKernel::FindPubRecordWideStr(int index, const char* rec, int col, const char16_t* value) {
    return impl_->ServePub(PubOp::FindPubRecordWideStr, -1,
                           [&] { return impl_->store.FindWideStr(index, View(rec), col, View(value)); });
}
bool HostKernel::SetPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) {
    return impl_->ServePub(PubOp::SetPubRecordRowValue, false,
                           [&] { return impl_->store.SetRowValues(index, View(rec), row, values); });
}
bool HostKernel::SetPubRecordInt(int index, const char* rec, int row, int col, int value) {
    return impl_->ServePub(PubOp::SetPubRecordInt, false,
                           [&] { return impl_->store.SetInt(index, View(rec), row, col, value); });
}
bool HostKernel::SetPubRecordFloat(int index, const char* rec, int row, int col, float value) {
    return impl_->ServePub(PubOp::SetPubRecordFloat, false,
                           [&] { return impl_->store.SetFloat(index, View(rec), row, col, value); });
}
bool HostKernel::SetPubRecordString(int index, const char* rec, int row, int col, const char* value) {
    return impl_->ServePub(PubOp::SetPubRecordString, false,
                           [&] { return impl_->store.SetString(index, View(rec), row, col, View(value)); });
}
bool HostKernel::SetPubRecordWideStr(int index, const char* rec, int row, int col, const char16_t* value) {
    return impl_->ServePub(PubOp::SetPubRecordWideStr, false,
                           [&] { return impl_->store.SetWideStr(index, View(rec), row, col, View(value)); });
}
int HostKernel::QueryPubRecordInt(int index, const char* rec, int row, int col) {
    return impl_->ServePub(PubOp::QueryPubRecordInt, 0,
                           [&] { return impl_->store.QueryInt(index, View(rec), row, col); });
}
float HostKernel::QueryPubRecordFloat(int index, const char* rec, int row, int col) {
    return impl_->ServePub(PubOp::QueryPubRecordFloat, 0.0f,
                           [&] { return impl_->store.QueryFloat(index, View(rec), row, col); });
}
const char* HostKernel::QueryPubRecordString(int index, const char* rec, int row, int col) {
    return impl_->ServePub(PubOp::QueryPubRecordString, "", [&] {
        impl_->store.QueryString(index, View(rec), row, col, impl_->text.NarrowScratch());
        return impl_->text.Hand(impl_->text.NarrowScratch());
    });
}
const char16_t* HostKernel::QueryPubRecordWideStr(int index, const char* rec, int row, int col) {
    return impl_->ServePub(PubOp::QueryPubRecordWideStr, u"", [&] {
        impl_->store.QueryWideStr(index, View(rec), row, col, impl_->text.WideScratch());
        return impl_->text.Hand(impl_->text.WideScratch());
    });
}
ObjectId HostKernel::QueryPubRecordObject(int index, const char* rec, int row, int col) {
    return impl_->ServePub(PubOp::QueryPubRecordObject, ObjectId{},
                           [&] { return impl_->store.QueryObject(index, View(rec), row, col); });
}
bool HostKernel::FindPubDataRecord(const char16_t* space, const char* rec) {
    return impl_->ServePub(PubOp::FindPubDataRecord, false,
                           [&] { return impl_->store.FindRecord(impl_->store.SpaceIndex(View(space)), View(rec)); });
}
int HostKernel::GetPubDataRecordRows(const char16_t* space, const char* rec) {
    return impl_->ServePub(PubOp::GetPubDataRecordRows, -1,
                           [&] { return impl_->store.Rows(impl_->store.SpaceIndex(View(space)), View(rec)); });
}
int HostKernel::QueryPubDataRecordInt(const char16_t* space, const char* rec, int row, int col) {
    return impl_->ServePub(PubOp::QueryPubDataRecordInt, 0, [&] {
        return impl_->store.QueryInt(impl_->store.SpaceIndex(View(space)), View(rec), row, col);
    });
}
const char16_t* HostKernel::QueryPubDataRecordWideStr(const char16_t* space, const char* rec, int row, int col) {
    return impl_->ServePub(PubOp::QueryPubDataRecordWideStr, u"", [&] {
        impl_->store.QueryWideStr(impl_->store.SpaceIndex(View(space)), View(rec), row, col, impl_->text.WideScratch());
        return impl_->text.Hand(impl_->text.WideScratch());
    });
}
