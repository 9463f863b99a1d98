#pragma once

#include "engine/page/RobotsTxt.h"

#include <QSet>
#include <QString>
#include <functional>
#include <map>

class THTTPClient;
class TRunContext;

// What the robots.txt files of a crawl's hosts allow its user agent. Each
// host's file (by scheme, host and port) is fetched with Client the first
// time one of its URLs comes up, and read from memory after; it is never
// saved. A file that is not there (4xx) allows everything; so does one that
// cannot be read (5xx, a network failure), logged once for its host, so
// that a broken file does not leave the copy empty.
class TRobotsRules {
public:
    // Told a host's Crawl-delay: the host as "host:port" (as in its URLs)
    // and the milliseconds between requests.
    using TDelaySink = std::function<void(const QString& Host, int Ms)>;

    TRobotsRules(THTTPClient& Client, const QString& UserAgent, TRunContext& Run, TDelaySink OnCrawlDelay);

    // True when URL (absolute, without fragment) may be fetched; a URL that
    // is refused is logged the first time: "Refused by robots.txt: URL".
    bool Allows(const QString& URL);

private:
    const TRobotsTxt& RulesFor(const QString& Origin);
    QByteArray Fetch(const QString& RobotsURL, bool& Found);

    THTTPClient& FClient;
    QString FUserAgent;
    TRunContext& FRun;
    TDelaySink FOnCrawlDelay;
    std::map<QString, TRobotsTxt> FHosts; // by origin, in lower case
    QSet<QString> FRefused; // logged already
};
