#pragma once
// The simulator's report: sections of named figures and tables, printed either
// as aligned text or as one JSON object. The text is for people and keeps its
// wording; the JSON form follows sim/report-schema.json, so every figure has a
// fixed key and a typed value there (see the README). Nothing here reads a
// clock, so a report depends only on what the run did.
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

// One table cell: what the text shows and what the JSON form holds.
struct ReportCell {
    std::string text;
    Json json;  // null for an empty cell

    ReportCell() = default;
    ReportCell(std::string t) : text(t), json(std::move(t)) {}
    ReportCell(const char* t) : ReportCell(std::string(t)) {}
    ReportCell(std::string t, Json j) : text(std::move(t)), json(std::move(j)) {}
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>) ReportCell(T n) : text(std::to_string(n)), json(n) {}
};

struct ReportTable {
    struct Col {
        std::string name;
        std::string key;  // in the JSON form's rows
        bool numeric;     // right-aligned in the text
    };
    std::string title;
    std::string key;  // the table's key in its section's JSON object; empty: text only
    std::vector<Col> columns;
    std::vector<std::vector<ReportCell>> rows;
    std::string emptyText = "none";

    // key defaults to the name in snake case ("guild points": "guild_points").
    ReportTable& Column(std::string name, bool isNumber = false, std::string key = {});
    std::vector<ReportCell>& AddRow();
    Json RowJson(std::size_t row) const;  // one object, keyed by column
    Json ToJson() const;                  // every row
};

struct ReportField {
    std::string name;  // the text's label; empty: JSON only
    std::string text;
    std::string key;  // empty: text only
    Json json;
};

struct ReportSection {
    std::string title;
    std::string key;
    bool absent = false;  // the JSON form holds null for the whole section
    std::vector<ReportField> fields;
    std::deque<ReportTable> tables;  // a table stays put while later ones are added

    // Shown in both forms; the key defaults to the label in snake case.
    void Text(std::string name, std::string value, std::string key = {});
    void Number(std::string name, std::int64_t value, std::string key = {});
    void Number(std::string name, double value, int decimals, std::string key = {});
    // A line of the text only (wording for people) / a value of the JSON form only.
    void TextOnly(std::string name, std::string value);
    void JsonOnly(std::string key, Json value);
    // key: the table's key in the JSON form; empty: the table is text only.
    ReportTable& Table(std::string title, std::string key);
};

class SimReport {
public:
    // Bumped when a key changes meaning or goes away; new keys do not bump it.
    static constexpr int kJsonVersion = 1;

    ReportSection& Section(std::string title, std::string key);  // an empty title: JSON only
    void PrintText(std::FILE* out) const;
    void PrintJson(std::FILE* out) const;
    Json ToJson() const;
    const std::deque<ReportSection>& Sections() const noexcept { return sections_; }

private:
    std::deque<ReportSection> sections_;  // likewise the sections
};

// "Guild points" -> "guild_points": keys of the JSON form.
std::string JsonKey(std::string_view title);
// A JSON value as text: containers of containers over several lines, any
// other value on one line.
std::string JsonText(const Json& value, int indent = 0);
// Wide game text as UTF-8.
std::string Utf8(std::u16string_view text);
