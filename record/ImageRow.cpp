#include "ImageRow.h"

#include "../module/ValueType.h"
#include "RecordImage.h"

namespace {

bool Carried(int type) noexcept {
    return type == VT_INT || type == VT_FLOAT || type == VT_STRING || type == VT_WIDESTR || type == VT_OBJECT;
}

}  // namespace

ImageRow::ImageRow(const RecordImage& image, int row) noexcept : image_(image), row_(row) {}

std::size_t ImageRow::Size() const {
    if (row_ < 0 || row_ >= image_.Rows()) return 0;
    std::size_t size = 0;
    for (const int type : image_.Types()) size += Carried(type) ? 1 : 0;
    return size;
}

int ImageRow::ColumnOf(std::size_t index) const noexcept {
    if (row_ < 0 || row_ >= image_.Rows()) return -1;
    std::size_t seen = 0;
    for (int col = 0; col < image_.Cols(); ++col) {
        if (!Carried(image_.ColumnType(col))) continue;
        if (seen++ == index) return col;
    }
    return -1;
}

int ImageRow::TypeAt(std::size_t index) const {
    const int col = ColumnOf(index);
    return col >= 0 ? image_.ColumnType(col) : VT_NONE;
}

int ImageRow::IntAt(std::size_t index) const { return image_.Int(row_, ColumnOf(index)); }

float ImageRow::FloatAt(std::size_t index) const { return image_.Float(row_, ColumnOf(index)); }

const char* ImageRow::StringAt(std::size_t index) const { return image_.Text(row_, ColumnOf(index)); }

const char16_t* ImageRow::WideStringAt(std::size_t index) const { return image_.WideText(row_, ColumnOf(index)); }

ObjectId ImageRow::ObjectAt(std::size_t index) const { return image_.Object(row_, ColumnOf(index)); }
