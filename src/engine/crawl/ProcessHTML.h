#pragma once

#include "engine/crawl/LinkSettings.h"
#include "engine/crawl/URLList.h"

#include <QString>

class TRunContext;

// One downloaded page: where it came from and where it is saved.
struct TPageInfo {
    QString URL; // after redirects; relative links resolve against it
    QString OutFile; // the page's own output file path
    int ExtractURLs = 0;
    int URLDepth = 0;
    int Index = -1; // its entry in the URL list
};

// The page text S with its links followed into URLs and rewritten to their
// local targets, script and noscript elements dropped when asked. Logs the
// count of new URLs when the page is below its extraction limit.
QString ProcessHTML(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run);

// Follows the files that the script S, fetched from Page.URL, names: as
// it names them, and relative ones also from the website's root, where
// the scripts of a site often start them. Logs the count of new URLs.
void ProcessScript(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run);

// The style sheet S with its links followed into URLs at any depth and
// rewritten as ProcessHTML does; a leading @charset rule is made to name
// UTF-8. Logs the count of new URLs.
QString ProcessStyleSheet(
    const QString& S, TURLList& URLs, const TPageInfo& Page, const TLinkSettings& Settings, TRunContext& Run);
