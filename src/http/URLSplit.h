#pragma once

#include <QString>

// The parts of a URL as written, without decoding. Positions follow the
// generic syntax: scheme ":" ["//" authority] path ["?" query] ["#" fragment].
struct TURLParts {
    QString Scheme; // without ":"; empty for a relative reference
    bool HasAuthority = false; // "//" followed
    QString Authority; // user info, host and port
    QString Path;
    bool HasQuery = false;
    QString Query; // without "?"
    bool HasFragment = false;
    QString Fragment; // without "#"

    // Scheme, authority and path: the URL up to its query.
    QString Prefix() const;
    // The URL put together again; SplitURL(U).Join() == U.
    QString Join() const;
};

// True when AURL begins with a scheme (a letter, then letters, digits, "+",
// "-" or ".") and ":". Text such as "/go?next=http://x/" is relative.
bool IsAbsoluteURL(const QString& AURL);

// Length of the scheme of AURL (without ":"), or 0 when it has none.
int SchemeLength(const QString& AURL);

TURLParts SplitURL(const QString& AURL);
