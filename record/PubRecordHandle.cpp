#include "PubRecordHandle.h"

#include <string>

#include "../module/ValueType.h"
#include "../Utility/NullText.h"
#include "../Utility/NumberText.h"
#include "../Utility/WideText.h"

namespace {
// The index tells whether the space exists: one call when it does.
int SpaceIndex(IKernel* kernel, const char16_t* pubName) {
    int index = kernel->GetPubDataIndex(pubName);
    if (index < 0) {
        kernel->AddPubData(pubName, 1);
        index = kernel->GetPubDataIndex(pubName);
    }
    return index;
}
}  // namespace

PubRecordHandle::PubRecordHandle(IKernel* kernel, const char16_t* pubName, const char* recordName)
    : kernel_(kernel),
      recordName_(OrEmpty(recordName)),
      pubIndex_(SpaceIndex(kernel, pubName)),
      lock_(kernel, pubIndex_, recordName_) {}

bool PubRecordHandle::CreateRecord(int maxRows, int cols) {
    if (!MayWrite()) return false;
    const bool added = kernel_->AddPubRecord(pubIndex_, recordName_, maxRows, cols);
    if (added) lock_.EnsureProperty();
    return added;
}

bool PubRecordHandle::AddRecord(int maxRows, int cols) {
    if (!MayWrite()) return false;
    return kernel_->AddPubRecord(pubIndex_, recordName_, maxRows, cols);
}

bool PubRecordHandle::RemoveRecord() { return MayWrite() && kernel_->RemovePubRecord(pubIndex_, recordName_); }

bool PubRecordHandle::SetSave(bool save) {
    return MayWrite() && kernel_->SetPubRecordSave(pubIndex_, recordName_, save);
}

bool PubRecordHandle::Exists() { return kernel_->FindPubRecord(pubIndex_, recordName_); }

int PubRecordHandle::FindRowByName(const char16_t* name) {
    return kernel_->FindPubRecordWideStr(pubIndex_, recordName_, 0, OrEmpty(name));
}

int PubRecordHandle::CellInt(int row, int col) { return kernel_->QueryPubRecordInt(pubIndex_, recordName_, row, col); }

float PubRecordHandle::CellFloat(int row, int col) {
    return kernel_->QueryPubRecordFloat(pubIndex_, recordName_, row, col);
}

std::string PubRecordHandle::CellString(int row, int col) { return std::string(CellText(row, col)); }

std::u16string PubRecordHandle::CellWideString(int row, int col) { return std::u16string(CellWideText(row, col)); }

ObjectId PubRecordHandle::CellObject(int row, int col) {
    return kernel_->QueryPubRecordObject(pubIndex_, recordName_, row, col);
}

const char* PubRecordHandle::CellText(int row, int col) {
    return OrEmpty(kernel_->QueryPubRecordString(pubIndex_, recordName_, row, col));
}

const char16_t* PubRecordHandle::CellWideText(int row, int col) {
    return OrEmpty(kernel_->QueryPubRecordWideStr(pubIndex_, recordName_, row, col));
}

bool PubRecordHandle::SetCell(int row, int col, int value) {
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, value);
        case VT_FLOAT: return SetCellFloat(row, col, static_cast<float>(value));
        case VT_STRING: return SetCellString(row, col, IntToString(value).c_str());
        case VT_WIDESTR: return SetCellWideString(row, col, IntToWide(value).c_str());
        default: return false;
    }
}

bool PubRecordHandle::SetCell(int row, int col, const char* value) {
    value = OrEmpty(value);
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, StringToInt(value));
        case VT_FLOAT: return SetCellFloat(row, col, StringToFloat(value));
        case VT_STRING: return SetCellString(row, col, value);
        case VT_WIDESTR: return SetCellWideString(row, col, StringToWide(value, 0).c_str());
        default: return false;
    }
}

bool PubRecordHandle::SetCell(int row, int col, const char16_t* value) {
    value = OrEmpty(value);
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, WideToInt(value));
        case VT_FLOAT: return SetCellFloat(row, col, WideToFloat(value));
        case VT_STRING: return SetCellString(row, col, WideToString(value, 0).c_str());
        case VT_WIDESTR: return SetCellWideString(row, col, value);
        default: return false;
    }
}

bool PubRecordHandle::SetCellInt(int row, int col, int value) {
    return MayWrite() && kernel_->SetPubRecordInt(pubIndex_, recordName_, row, col, value);
}

bool PubRecordHandle::SetCellFloat(int row, int col, float value) {
    return MayWrite() && kernel_->SetPubRecordFloat(pubIndex_, recordName_, row, col, value);
}

bool PubRecordHandle::SetCellString(int row, int col, const char* value) {
    return MayWrite() && kernel_->SetPubRecordString(pubIndex_, recordName_, row, col, OrEmpty(value));
}

bool PubRecordHandle::SetCellWideString(int row, int col, const char16_t* value) {
    return MayWrite() && kernel_->SetPubRecordWideStr(pubIndex_, recordName_, row, col, OrEmpty(value));
}

bool PubRecordHandle::CopyRowToList(int row, IVarList& list) {
    if (row < 0 || row >= Rows()) return false;
    const int cols = Cols();
    for (int col = 0; col < cols; ++col) {
        switch (ColumnType(col)) {
            case VT_INT: list.PushInt(CellInt(row, col)); break;
            case VT_FLOAT: list.PushFloat(CellFloat(row, col)); break;
            case VT_STRING: list.PushString(CellText(row, col)); break;
            case VT_WIDESTR: list.PushWideString(CellWideText(row, col)); break;
            case VT_OBJECT: list.PushObject(CellObject(row, col)); break;
            default: break;
        }
    }
    return true;
}

int PubRecordHandle::Rows() { return kernel_->GetPubRecordRows(pubIndex_, recordName_); }

int PubRecordHandle::Cols() { return kernel_->GetPubRecordCols(pubIndex_, recordName_); }

int PubRecordHandle::MaxRows() { return kernel_->GetPubRecordMax(pubIndex_, recordName_); }

int PubRecordHandle::ColumnType(int col) { return kernel_->GetPubRecordColType(pubIndex_, recordName_, col); }

bool PubRecordHandle::SetColumnType(int col, int type) {
    return MayWrite() && kernel_->SetPubRecordColType(pubIndex_, recordName_, col, type);
}

void PubRecordHandle::SetColumnTypes(std::span<const int> types) {
    for (std::size_t col = 0; col < types.size(); ++col) SetColumnType(static_cast<int>(col), types[col]);
}

int PubRecordHandle::AddRow(int row, const IVarList& values) {
    if (!MayWrite()) return -1;
    return kernel_->AddPubRecordRowValue(pubIndex_, recordName_, row, values);
}

bool PubRecordHandle::SetRow(int row, const IVarList& values) {
    return MayWrite() && kernel_->SetPubRecordRowValue(pubIndex_, recordName_, row, values);
}

bool PubRecordHandle::InsertDefaultRow(int row) {
    return MayWrite() && kernel_->InsertPubRecordRow(pubIndex_, recordName_, row);
}

bool PubRecordHandle::RemoveRow(int row) {
    return MayWrite() && kernel_->RemovePubRecordRow(pubIndex_, recordName_, row);
}

bool PubRecordHandle::Clear() { return MayWrite() && kernel_->ClearPubRecord(pubIndex_, recordName_); }
