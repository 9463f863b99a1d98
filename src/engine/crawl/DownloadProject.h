#pragma once

#include <QString>

class TRunContext;
class THTTPClient;
class TWebsiteProject;

// Crawls one project breadth-first from its start pages into OutDir and logs
// every step and a closing summary. With Connections above 1 the next URLs
// are fetched ahead, and the log and files are those of a run one URL at a
// time. Errors outside the per-URL handling
// (a replace pattern that does not compile, a broken project) escape.
void DownloadProject(
    const QString& OutDir, const TWebsiteProject& Project, THTTPClient& Client, TRunContext& Run);

// The website URL as the scope of the crawl: a URL without a path gets "/".
QString NormalizeWebsiteURL(const QString& WebsiteURL);
// The website URL up to and including the last "/" before its query.
QString WebsiteBaseOf(const QString& WebsiteURL);
