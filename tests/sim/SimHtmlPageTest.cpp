// The page of a run: one file whose scripts no text of the run can break out of.
#include <gtest/gtest.h>

#include "sim/SimHtmlPage.h"

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A diagnostic may quote any text; the library's own text is inlined as it is.
TEST(SimHtmlPage, RunTextCannotEndTheScriptsOrFillASlot) {
    const std::string hostile = "</script><script>alert(1)</script><!--";
    SimReport report;
    ReportSection& s = report.Section("Host diagnostic log", "host_diagnostic_log");
    s.JsonOnly("first_lines", {hostile});
    ReportTable& t = s.Table("", "");
    t.Column("line");
    t.AddRow() = {hostile};
    report.Section("", "timeline").JsonOnly("samples", Json::array());
    const std::string pageTemplate =
        "<head><script>/*CHART_LIBRARY*/</script></head><body><!--REPORT_TABLES-->"
        "<script id=\"r\" type=\"application/json\">/*REPORT_JSON*/</script></body>";
    const std::string library = "var slot = '/*REPORT_JSON*/ <!--REPORT_TABLES--> </script>';";

    const std::string page = SimPageHtml(pageTemplate, library, report);
    EXPECT_EQ(Count(page, "</script>"), 2u) << page;
    EXPECT_EQ(Count(page, "<script"), 2u) << page;
    EXPECT_NE(page.find("var slot = '/*REPORT_JSON*/ <!--REPORT_TABLES--> <\\/script>';"), std::string::npos)
        << "the library is inlined whole, its text no slot";
    EXPECT_NE(page.find("<td>&lt;/script&gt;&lt;script&gt;alert(1)&lt;/script&gt;&lt;!--</td>"), std::string::npos);
    EXPECT_EQ(page.find("Host diagnostic log"), page.find("<h3>Host diagnostic log</h3>") + 4);
    const std::size_t from = page.find("application/json\">") + 18;
    EXPECT_EQ(Json::parse(page.substr(from, page.find("</script>", from) - from)), report.ToJson());
}

}  // namespace
