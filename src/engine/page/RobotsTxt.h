#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// The part of one robots.txt file that applies to one user agent: its
// Allow and Disallow rules and its Crawl-delay. The group is the one whose
// User-agent names the longest part of the agent's product token ("harvo"
// of "harvo/1.2"), ignoring case, else the "*" group; groups naming the
// same agent count as one.
class TRobotsTxt {
public:
    // No file: everything allowed, no delay.
    TRobotsTxt() = default;
    TRobotsTxt(const QByteArray& Text, const QString& UserAgent);

    // True when the rules let PathAndQuery ("/a/b?c") be fetched: the
    // longest matching pattern decides, Allow on a tie; no match allows.
    bool Allows(const QString& PathAndQuery) const;
    // Seconds asked between requests, when the group asks for any.
    std::optional<double> CrawlDelay() const { return FCrawlDelay; }

private:
    struct TRule {
        QByteArray Pattern; // normalized; "*" any run of characters, "$" at the end: the end
        bool Allow = false;
    };

    std::vector<TRule> FRules;
    std::optional<double> FCrawlDelay;
};

// The product token of a User-Agent header: "harvo" of "harvo/1.2 (x)".
QString ProductTokenOf(const QString& UserAgent);
