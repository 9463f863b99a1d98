#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>

// The cookies one request carried, as far as they can change what a reply
// says: the jar's cookies for the request's host (domain, path, name and
// value, in jar order) and the names of the cookies its own reply set.
struct TSentCookies {
    QByteArray Host;
    QList<QByteArray> HostCookies;
    QSet<QByteArray> SetByReply;
};

// The entries of a cookie jar (libcurl's cookie list, one Netscape-format
// line each) that a request to Host may carry, reduced to what the request
// would send: domain, path, name and value. Lower-case Host.
QList<QByteArray> HostCookies(const QList<QByteArray>& JarLines, const QByteArray& Host);

// True when every request of Sent would carry the same cookies with the jar
// JarLines, leaving aside cookies that their own replies set.
bool SameCookiesWouldBeSent(const QList<TSentCookies>& Sent, const QList<QByteArray>& JarLines);

// The names of the cookies set by the Set-Cookie header values given.
QSet<QByteArray> CookieNames(const QList<QByteArray>& SetCookieValues);
