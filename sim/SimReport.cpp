#include "SimReport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

ReportTable& ReportTable::Column(std::string name, bool isNumber, std::string key) {
    if (key.empty()) key = JsonKey(name);
    columns.push_back({std::move(name), std::move(key), isNumber});
    return *this;
}

std::vector<ReportCell>& ReportTable::AddRow() {
    rows.emplace_back();
    rows.back().reserve(columns.size());
    return rows.back();
}

Json ReportTable::RowJson(std::size_t row) const {
    Json object = Json::object();
    for (std::size_t c = 0; c < columns.size(); ++c)
        object[columns[c].key] = c < rows[row].size() ? rows[row][c].json : Json();
    return object;
}

Json ReportTable::ToJson() const {
    Json array = Json::array();
    for (std::size_t r = 0; r < rows.size(); ++r) array.push_back(RowJson(r));
    return array;
}

void ReportSection::Text(std::string name, std::string value, std::string key) {
    if (key.empty()) key = JsonKey(name);
    Json json = value;
    fields.push_back({std::move(name), std::move(value), std::move(key), std::move(json)});
}

void ReportSection::Number(std::string name, std::int64_t value, std::string key) {
    if (key.empty()) key = JsonKey(name);
    fields.push_back({std::move(name), std::to_string(value), std::move(key), value});
}

void ReportSection::Number(std::string name, double value, int decimals, std::string key) {
    if (key.empty()) key = JsonKey(name);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // The JSON number is the text's rounded value, not the full double.
    fields.push_back({std::move(name), text, std::move(key), std::strtod(text, nullptr)});
}

void ReportSection::TextOnly(std::string name, std::string value) {
    fields.push_back({std::move(name), std::move(value), {}, {}});
}

void ReportSection::JsonOnly(std::string key, Json value) {
    fields.push_back({{}, {}, std::move(key), std::move(value)});
}

ReportTable& ReportSection::Table(std::string title, std::string key) {
    tables.emplace_back();
    tables.back().title = std::move(title);
    tables.back().key = std::move(key);
    return tables.back();
}

ReportSection& SimReport::Section(std::string title, std::string key) {
    sections_.emplace_back();
    sections_.back().title = std::move(title);
    sections_.back().key = std::move(key);
    return sections_.back();
}

namespace {

void PrintTableText(std::FILE* out, const ReportTable& table) {
    if (!table.title.empty()) std::fprintf(out, "%s\n", table.title.c_str());
    if (table.rows.empty()) {
        std::fprintf(out, "  %s\n", table.emptyText.c_str());
        return;
    }
    std::vector<std::size_t> width(table.columns.size());
    for (std::size_t c = 0; c < width.size(); ++c) width[c] = table.columns[c].name.size();
    for (const auto& row : table.rows)
        for (std::size_t c = 0; c < width.size() && c < row.size(); ++c)
            width[c] = std::max(width[c], row[c].text.size());
    auto line = [&](auto&& cellText) {
        std::string text = " ";
        for (std::size_t c = 0; c < width.size(); ++c) {
            const std::string cell = cellText(c);
            const std::string pad(width[c] - std::min(width[c], cell.size()), ' ');
            text += ' ';
            text += table.columns[c].numeric ? pad + cell : cell + pad;
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        std::fprintf(out, "%s\n", text.c_str());
    };
    line([&](std::size_t c) { return table.columns[c].name; });
    line([&](std::size_t c) { return std::string(width[c], '-'); });
    for (const auto& row : table.rows)
        line([&](std::size_t c) { return c < row.size() ? row[c].text : std::string(); });
}

// Text that is not valid UTF-8 (a host's diagnostic may quote any bytes) has
// its bad bytes replaced rather than failing the whole report.
std::string Scalar(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

bool Nested(const Json& value) {
    if (!value.is_structured()) return false;
    for (const auto& item : value) {
        if (item.is_structured() && !item.empty()) return true;
    }
    return false;
}

}  // namespace

void SimReport::PrintText(std::FILE* out) const {
    bool first = true;
    for (const ReportSection& s : sections_) {
        if (s.title.empty()) continue;  // JSON only
        if (!first) std::fprintf(out, "\n");
        first = false;
        std::fprintf(out, "== %s ==\n", s.title.c_str());
        std::size_t nameWidth = 0, shown = 0;
        for (const ReportField& f : s.fields) {
            if (f.name.empty()) continue;  // JSON only
            nameWidth = std::max(nameWidth, f.name.size());
            ++shown;
        }
        for (const ReportField& f : s.fields)
            if (!f.name.empty())
                std::fprintf(out, "  %-*s  %s\n", static_cast<int>(nameWidth + 1), (f.name + ":").c_str(),
                             f.text.c_str());
        for (const ReportTable& t : s.tables) {
            if (shown > 0 || &t != &s.tables.front()) std::fprintf(out, "\n");
            PrintTableText(out, t);
        }
    }
}

Json SimReport::ToJson() const {
    Json report = Json::object();
    report["report_version"] = kJsonVersion;
    for (const ReportSection& s : sections_) {
        if (s.absent) {
            report[s.key] = nullptr;
            continue;
        }
        Json& section = report[s.key] = Json::object();
        for (const ReportField& f : s.fields)
            if (!f.key.empty()) section[f.key] = f.json;
        for (const ReportTable& t : s.tables)
            if (!t.key.empty()) section[t.key] = t.ToJson();
    }
    return report;
}

void SimReport::PrintJson(std::FILE* out) const { std::fprintf(out, "%s\n", JsonText(ToJson()).c_str()); }

std::string JsonText(const Json& value, int indent) {
    if (!Nested(value)) {
        if (!value.is_structured() || value.empty()) return Scalar(value);
        // A row: one line, a blank after each separator.
        std::string line(1, value.is_object() ? '{' : '[');
        bool first = true;
        for (const auto& [key, item] : value.items()) {
            if (!first) line += ", ";
            first = false;
            if (value.is_object()) line += Scalar(key) + ": ";
            line += Scalar(item);
        }
        return line + (value.is_object() ? '}' : ']');
    }
    const std::string inner(static_cast<std::size_t>(indent + 2), ' ');
    std::string text(1, value.is_object() ? '{' : '[');
    bool first = true;
    for (const auto& [key, item] : value.items()) {
        text += first ? "\n" : ",\n";
        first = false;
        text += inner;
        if (value.is_object()) text += Scalar(key) + ": ";
        text += JsonText(item, indent + 2);
    }
    return text + "\n" + std::string(static_cast<std::size_t>(indent), ' ') + (value.is_object() ? '}' : ']');
}

std::string JsonKey(std::string_view title) {
    std::string key;
    for (char c : title) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) {
            key += static_cast<char>(std::tolower(u));
        } else if (!key.empty() && key.back() != '_') {
            key += '_';
        }
    }
    while (!key.empty() && key.back() == '_') key.pop_back();
    return key;
}

std::string Utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
