#include "http/SentCookies.h"

namespace {

// Netscape cookie line fields.
enum TCookieField { cfDomain, cfSubdomains, cfPath, cfSecure, cfExpires, cfName, cfValue, cfCount };

bool DomainMatches(QByteArray Domain, bool Subdomains, const QByteArray& Host)
{
    const QByteArray HttpOnlyPrefix = "#HttpOnly_";
    if (Domain.startsWith(HttpOnlyPrefix))
        Domain.remove(0, HttpOnlyPrefix.size());
    if (Domain.startsWith('.'))
        Domain.remove(0, 1);
    Domain = Domain.toLower();
    return Host == Domain || (Subdomains && Host.endsWith('.' + Domain));
}

QByteArray NameOf(const QByteArray& HostCookie)
{
    return HostCookie.split('\t').value(2);
}

QList<QByteArray> Without(const QList<QByteArray>& HostCookies, const QSet<QByteArray>& Names)
{
    QList<QByteArray> Kept;
    for (const QByteArray& Cookie : HostCookies)
        if (!Names.contains(NameOf(Cookie)))
            Kept.append(Cookie);
    return Kept;
}

} // namespace

QList<QByteArray> HostCookies(const QList<QByteArray>& JarLines, const QByteArray& Host)
{
    QList<QByteArray> Cookies;
    for (const QByteArray& Line : JarLines) {
        const QList<QByteArray> Fields = Line.split('\t');
        if (Fields.size() < cfCount || !DomainMatches(Fields[cfDomain], Fields[cfSubdomains] == "TRUE", Host))
            continue;
        Cookies.append(
            Fields[cfDomain] + '\t' + Fields[cfPath] + '\t' + Fields[cfName] + '\t' + Fields[cfValue]);
    }
    return Cookies;
}

bool SameCookiesWouldBeSent(const QList<TSentCookies>& Sent, const QList<QByteArray>& JarLines)
{
    // A fetch's own replies change the jar after its requests went out, as
    // they would have one at a time too.
    QSet<QByteArray> SetByThem;
    for (const TSentCookies& Request : Sent)
        SetByThem.unite(Request.SetByReply);
    for (const TSentCookies& Request : Sent)
        if (Without(Request.HostCookies, SetByThem)
            != Without(HostCookies(JarLines, Request.Host), SetByThem))
            return false;
    return true;
}

QSet<QByteArray> CookieNames(const QList<QByteArray>& SetCookieValues)
{
    QSet<QByteArray> Names;
    for (const QByteArray& Value : SetCookieValues) {
        const qsizetype Equals = Value.indexOf('=');
        if (Equals > 0)
            Names.insert(Value.left(Equals).trimmed());
    }
    return Names;
}
