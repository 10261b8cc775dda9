#pragma once
// The site's hosts and the addresses the program uses on them. The hosts
// are fixed when the program is built; a test points the program at its own
// stand-in site instead. Read on the UI thread.

#include <QString>

struct SiteHosts {
    QString search;   // the search pages shown in the site pane
    QString main;     // help
    QString member;   // members' pages: uploading songs
    QString service;  // the client service: exit report, updater address
};

const SiteHosts& CurrentSiteHosts();
void SetSiteHosts(const SiteHosts& hosts);

QString SearchPageUrl();                  // http://search/sbz1.aspx
QString HelpPageUrl();                    // http://main/help
QString MemberPageUrl();                  // http://member/
QString UpdateUrl();                      // http://service/update
QString ReportUrl(const QString& param);  // http://service/login.aspx?param=<param, unescaped>
