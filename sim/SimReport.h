#pragma once
// The simulator's report: sections of named figures and tables, printed either
// as aligned text or as one JSON object. Nothing here reads a clock, so a
// report depends only on what the run did.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct ReportTable {
    std::string title;
    std::vector<std::string> columns;
    std::vector<bool> numeric;  // per column: right-aligned text, a JSON number
    std::vector<std::vector<std::string>> rows;
    std::string emptyText = "none";

    ReportTable& Column(std::string name, bool isNumber = false);
    std::vector<std::string>& AddRow();
};

struct ReportField {
    std::string name;
    std::string value;
    bool numeric = false;
};

struct ReportSection {
    std::string title;
    std::vector<ReportField> fields;
    std::vector<ReportTable> tables;

    void Text(std::string name, std::string value);
    void Number(std::string name, std::int64_t value);
    void Number(std::string name, double value, int decimals);
    ReportTable& Table(std::string title);
};

class SimReport {
public:
    ReportSection& Section(std::string title);
    void PrintText(std::FILE* out) const;
    void PrintJson(std::FILE* out) const;

private:
    std::vector<ReportSection> sections_;
};

// "Guild points" -> "guild_points": keys of the JSON form.
std::string JsonKey(std::string_view title);
// Wide game text as UTF-8.
std::string Utf8(std::u16string_view text);
