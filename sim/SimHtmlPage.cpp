#include "SimHtmlPage.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef VOGAME_SIM_PAGE
#define VOGAME_SIM_PAGE "sim/page/run-page.html"
#endif
#ifndef VOGAME_CHART_JS
#define VOGAME_CHART_JS ""
#endif

namespace {

// Where the template wants each part.
constexpr std::string_view kLibrarySlot = "/*CHART_LIBRARY*/";
constexpr std::string_view kReportSlot = "/*REPORT_JSON*/";
constexpr std::string_view kTablesSlot = "<!--REPORT_TABLES-->";

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return static_cast<bool>(in) || in.eof();
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// The report's text form as HTML: each section's lines, then its tables.
std::string Tables(const SimReport& report) {
    std::string html;
    for (const ReportSection& s : report.Sections()) {
        if (s.title.empty()) continue;  // JSON only
        html += "<section class=\"report\"><h3>" + Escaped(s.title) + "</h3>\n";
        std::string lines;
        for (const ReportField& f : s.fields)
            if (!f.name.empty()) lines += "<tr><th>" + Escaped(f.name) + "</th><td>" + Escaped(f.text) + "</td></tr>\n";
        if (!lines.empty()) html += "<table class=\"fields\">\n" + lines + "</table>\n";
        for (const ReportTable& t : s.tables) {
            if (!t.title.empty()) html += "<h4>" + Escaped(t.title) + "</h4>\n";
            if (t.rows.empty()) {
                html += "<p class=\"none\">" + Escaped(t.emptyText) + "</p>\n";
                continue;
            }
            html += "<div class=\"wide\"><table class=\"rows\"><tr>";
            for (const ReportTable::Col& c : t.columns)
                html += std::string(c.numeric ? "<th class=\"n\">" : "<th>") + Escaped(c.name) + "</th>";
            html += "</tr>\n";
            for (const auto& row : t.rows) {
                html += "<tr>";
                for (std::size_t c = 0; c < t.columns.size(); ++c)
                    html += std::string(t.columns[c].numeric ? "<td class=\"n\">" : "<td>") +
                            Escaped(c < row.size() ? row[c].text : std::string()) + "</td>";
                html += "</tr>\n";
            }
            html += "</table></div>\n";
        }
        html += "</section>\n";
    }
    return html;
}

}  // namespace

std::string SimPageHtml(const std::string& pageTemplate, const std::string& chartLibrary, const SimReport& report) {
    // Inside a script element only "</script" or "<!--" could end it early: JSON
    // may spell "<" as \u003c, and script text may split "</" as "<\/".
    std::string json = report.ToJson().dump(-1, ' ', false, Json::error_handler_t::replace);
    ReplaceAll(json, "<", "\\u003c");
    std::string library = chartLibrary;
    ReplaceAll(library, "</", "<\\/");
    std::string page = pageTemplate;
    // The library last: its text is not searched for the other slots.
    const auto fill = [&](std::string_view slot, const std::string& text) {
        const std::size_t at = page.find(slot);
        if (at != std::string::npos) page.replace(at, slot.size(), text);
    };
    fill(kTablesSlot, Tables(report));
    fill(kReportSlot, json);
    fill(kLibrarySlot, library);
    return page;
}

bool CheckSimPage(const std::string& path, std::string& error) {
    std::string text;
    if (std::string(VOGAME_CHART_JS).empty()) {
        error = "--html needs Chart.js, which this build lacks: install Debian's libjs-chart.js and configure again";
        return false;
    }
    for (const char* file : {VOGAME_SIM_PAGE, VOGAME_CHART_JS}) {
        if (!ReadFile(file, text)) {
            error = std::string("--html cannot read ") + file;
            return false;
        }
    }
    std::error_code ec;
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (!std::filesystem::is_directory(folder, ec) || std::filesystem::is_directory(target, ec)) {
        error = "--html cannot write " + path + ": " +
                (std::filesystem::is_directory(target, ec) ? "it is a folder" : "no such folder");
        return false;
    }
    return true;
}

bool WriteSimPage(const std::string& path, const SimReport& report, std::string& error) {
    std::string pageTemplate, library;
    if (!ReadFile(VOGAME_SIM_PAGE, pageTemplate) || !ReadFile(VOGAME_CHART_JS, library)) {
        error = "cannot read the page's template or Chart.js";
        return false;
    }
    const std::string page = SimPageHtml(pageTemplate, library, report);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << page;
    out.close();
    if (!out) {
        error = "cannot write the page " + path;
        return false;
    }
    return true;
}
