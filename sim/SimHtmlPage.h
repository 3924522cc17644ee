#pragma once
// The page of a run (--html FILE): one self-contained HTML file that fetches
// nothing when it opens. The page's own HTML, style and script come from
// sim/page/run-page.html, the charting library from Debian's libjs-chart.js
// (Chart.js), both inlined when the page is written; the report goes in as its
// JSON form (the charts' data) and as HTML tables of its text form.
#include <string>

#include "SimReport.h"

// Whether a page can be written there: the template and the charting library
// readable, the folder there. False with one line saying why; checked before a
// run, so a long run does not end without its page.
bool CheckSimPage(const std::string& path, std::string& error);
bool WriteSimPage(const std::string& path, const SimReport& report, std::string& error);

// The page itself, from the template's text and the library's.
std::string SimPageHtml(const std::string& pageTemplate, const std::string& chartLibrary, const SimReport& report);
