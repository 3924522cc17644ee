#include "PubRecordView.h"

#include "../Utility/NullText.h"

bool PubRecordView::Exists() { return kernel_->FindPubDataRecord(pubName_, recordName_); }

int PubRecordView::Rows() { return kernel_->GetPubDataRecordRows(pubName_, recordName_); }

int PubRecordView::CellInt(int row, int col) { return kernel_->QueryPubDataRecordInt(pubName_, recordName_, row, col); }

const char16_t* PubRecordView::CellWideText(int row, int col) {
    return OrEmpty(kernel_->QueryPubDataRecordWideStr(pubName_, recordName_, row, col));
}
