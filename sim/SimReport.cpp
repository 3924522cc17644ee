#include "SimReport.h"

#include <algorithm>
#include <cctype>

ReportTable& ReportTable::Column(std::string name, bool isNumber) {
    columns.push_back(std::move(name));
    numeric.push_back(isNumber);
    return *this;
}

std::vector<std::string>& ReportTable::AddRow() {
    rows.emplace_back();
    rows.back().reserve(columns.size());
    return rows.back();
}

void ReportSection::Text(std::string name, std::string value) {
    fields.push_back({std::move(name), std::move(value), false});
}

void ReportSection::Number(std::string name, std::int64_t value) {
    fields.push_back({std::move(name), std::to_string(value), true});
}

void ReportSection::Number(std::string name, double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    fields.push_back({std::move(name), text, true});
}

ReportTable& ReportSection::Table(std::string title) {
    tables.emplace_back();
    tables.back().title = std::move(title);
    return tables.back();
}

ReportSection& SimReport::Section(std::string title) {
    sections_.emplace_back();
    sections_.back().title = std::move(title);
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
    for (std::size_t c = 0; c < width.size(); ++c) width[c] = table.columns[c].size();
    for (const auto& row : table.rows)
        for (std::size_t c = 0; c < width.size() && c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
    auto line = [&](const std::vector<std::string>& cells) {
        std::string text = " ";
        for (std::size_t c = 0; c < width.size(); ++c) {
            const std::string& cell = c < cells.size() ? cells[c] : std::string();
            const std::string pad(width[c] - std::min(width[c], cell.size()), ' ');
            text += ' ';
            text += table.numeric[c] ? pad + cell : cell + pad;
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        std::fprintf(out, "%s\n", text.c_str());
    };
    line(table.columns);
    std::vector<std::string> rule;
    for (std::size_t w : width) rule.emplace_back(w, '-');
    line(rule);
    for (const auto& row : table.rows) line(row);
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

// A figure as JSON: numbers as they are, anything else (and a number column's
// empty cell) as text or null.
std::string JsonValue(const std::string& value, bool numeric) {
    if (!numeric) return JsonString(value);
    return value.empty() ? "null" : value;
}

}  // namespace

void SimReport::PrintText(std::FILE* out) const {
    bool first = true;
    for (const ReportSection& s : sections_) {
        if (!first) std::fprintf(out, "\n");
        first = false;
        std::fprintf(out, "== %s ==\n", s.title.c_str());
        std::size_t nameWidth = 0;
        for (const ReportField& f : s.fields) nameWidth = std::max(nameWidth, f.name.size());
        for (const ReportField& f : s.fields)
            std::fprintf(out, "  %-*s  %s\n", static_cast<int>(nameWidth + 1), (f.name + ":").c_str(),
                         f.value.c_str());
        for (const ReportTable& t : s.tables) {
            if (!s.fields.empty() || &t != &s.tables.front()) std::fprintf(out, "\n");
            PrintTableText(out, t);
        }
    }
}

void SimReport::PrintJson(std::FILE* out) const {
    std::fprintf(out, "{");
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const ReportSection& s = sections_[i];
        std::fprintf(out, "%s\n  %s: {", i ? "," : "", JsonString(JsonKey(s.title)).c_str());
        bool any = false;
        for (const ReportField& f : s.fields) {
            std::fprintf(out, "%s\n    %s: %s", any ? "," : "", JsonString(JsonKey(f.name)).c_str(),
                         JsonValue(f.value, f.numeric).c_str());
            any = true;
        }
        for (const ReportTable& t : s.tables) {
            const std::string key = t.title.empty() ? std::string("rows") : JsonKey(t.title);
            std::fprintf(out, "%s\n    %s: [", any ? "," : "", JsonString(key).c_str());
            any = true;
            for (std::size_t r = 0; r < t.rows.size(); ++r) {
                std::string row = "{";
                for (std::size_t c = 0; c < t.columns.size(); ++c) {
                    if (c) row += ", ";
                    row += JsonString(JsonKey(t.columns[c])) + ": " +
                           JsonValue(c < t.rows[r].size() ? t.rows[r][c] : std::string(), t.numeric[c]);
                }
                std::fprintf(out, "%s\n      %s}", r ? "," : "", row.c_str());
            }
            std::fprintf(out, "%s]", t.rows.empty() ? "" : "\n    ");
        }
        std::fprintf(out, "%s}", any ? "\n  " : "");
    }
    std::fprintf(out, "\n}\n");
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
