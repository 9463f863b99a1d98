#pragma once

#include <QByteArray>
#include <QString>

class THrvThread;
class THTTPClient;
class TWebsiteProject;

// Records where the client's redirects lead; Location is the absolute URL
// of the last redirect target, or empty when the request was not redirected.
class THTTPRedirect {
public:
    explicit THTTPRedirect(const QString& ARequestURL)
        : FRequestURL(ARequestURL)
        , FCurrentURL(ARequestURL)
    {
    }
    void OnRedirect(const QString& ALocation);
    // Every attempt starts again from the requested URL.
    void Reset()
    {
        FCurrentURL = FRequestURL;
        Location.clear();
    }
    QString Location;

private:
    QString FRequestURL;
    QString FCurrentURL;
};

// Crawls one project breadth-first from its start pages into OutDir and logs
// every step and a closing summary. Errors outside the per-URL handling
// (a replace pattern that does not compile, a broken project) escape.
void DownloadProject(
    const QString& OutDir, const TWebsiteProject& Project, THTTPClient& Client, THrvThread& Thread);

// True when the file's content differs from Content (by MD5), or when the
// file cannot be read (the failure is logged), so that it gets written. A
// symbolic link or a special file is never read and always counts as
// changed: saving replaces it with a file of its own.
bool FileChanged(const QString& FileName, const QByteArray& Content, THrvThread& Thread);

// The website URL as the scope of the crawl: a URL without a path gets "/".
QString NormalizeWebsiteURL(const QString& WebsiteURL);
// The website URL up to and including the last "/" before its query.
QString WebsiteBaseOf(const QString& WebsiteURL);
