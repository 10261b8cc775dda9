#pragma once
// The page "/reports": every exit report the site has received, newest
// first, each with its number, the time it came, the raw param= value and
// the decoded text shown exactly (line breaks and bytes that are not UTF-8
// as marked escapes); a report that does not decode is listed as such.
// Each report is an element with id "report-N", its text in "text-N".

#include <string>
#include <vector>

#include "site/ReportBook.h"

std::string ReportsPageHtml(const std::vector<ReceivedReport>& newestFirst);
