#pragma once

#include "containers/StringList.h"

#include <QString>

class TURLList;
class TRunContext;

// What link extraction needs of a project, fixed for the whole crawl.
struct TLinkSettings {
    QString WebsiteBase; // scope prefix of the website, ending with "/"
    bool RemoveScripts = false;
    bool RemoveNoscripts = false;
    bool RelativePathLinks = false;
    bool CompletePages = false;
    QString TargetBase; // target base URL ending with "/", or empty
    QString IndexName; // never empty
    QString OutFolder; // ends with a separator; empty without an output folder
    const TStrings* WebDocuments = nullptr;
    const TStrings* WDOutFolders = nullptr;
    const TStrings* DomainAliases = nullptr;
    const TStrings* SuppressURLs = nullptr;
};

// One downloaded page: where it came from and where it is saved.
struct TPageInfo {
    QString URL; // after redirects; relative links resolve against it
    QString OutFile; // the page's own output file path
    int ExtractURLs = 0;
    int URLDepth = 0;
};

// Copies the page text S to Out in one pass, following its links into URLs
// and rewriting them to their local targets, and drops script and noscript
// elements when asked. Logs the count of new URLs when the page is below its
// extraction limit.
void ProcessHTML(const QString& S, QString& Out, TURLList& URLs, const TPageInfo& Page,
    const TLinkSettings& Settings, TRunContext& Run);

// Copies the style sheet S to Out, following its links into URLs at any
// depth and rewriting them as ProcessHTML does; a leading @charset rule is
// made to name UTF-8.
void ProcessStyleSheet(const QString& S, QString& Out, TURLList& URLs, const TPageInfo& Page,
    const TLinkSettings& Settings, TRunContext& Run);

// The path of Target relative to the folder of FromFile, with "/" separators.
QString RelativeLinkPath(const QString& Target, const QString& FromFile);
