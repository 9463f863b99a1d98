#include "engine/crawl/RobotsRules.h"

#include "engine/crawl/RunContext.h"
#include "engine/page/URLUtils.h"

#include "http/BodyTarget.h"
#include "http/HTTPClientUnit.h"
#include "http/URLSplit.h"

#include <QUrl>
#include <algorithm>
#include <climits>

namespace {

// Crawlers read at least this much of a robots.txt; the rest is dropped.
constexpr qsizetype RobotsSizeLimit = 500 * 1024;

// Keeps a body up to RobotsSizeLimit and ends the transfer there.
class TRobotsBody : public TBodyTarget {
public:
    TRobotsBody() { open(QIODevice::WriteOnly); }
    const QByteArray& Bytes() const { return FBytes; }
    bool Full() const { return FBytes.size() >= RobotsSizeLimit; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override
    {
        const qint64 Room = RobotsSizeLimit - FBytes.size();
        FBytes.append(Data, qsizetype(std::min(Size, Room)));
        if (Size > Room)
            return Fail(std::make_exception_ptr(Exception(QStringLiteral("robots.txt past its size limit"))));
        return Size;
    }

private:
    QByteArray FBytes;
};

// The user info of an authority is no part of the host.
QString HostAndPort(const QString& Authority)
{
    return Authority.mid(Authority.lastIndexOf(QLatin1Char('@')) + 1).toLower();
}

int DelayMs(double Seconds)
{
    return int(std::min(Seconds * 1000, double(INT_MAX)));
}

} // namespace

TRobotsRules::TRobotsRules(
    THTTPClient& Client, const QString& UserAgent, TRunContext& Run, TDelaySink OnCrawlDelay)
    : FClient(Client)
    , FUserAgent(UserAgent)
    , FRun(Run)
    , FOnCrawlDelay(std::move(OnCrawlDelay))
{
}

bool TRobotsRules::Allows(const QString& URL)
{
    const TURLParts Parts = SplitURL(URL);
    if (!Parts.HasAuthority)
        return true;
    const QString Host = HostAndPort(Parts.Authority);
    const QString Path = Parts.Path.isEmpty() ? QStringLiteral("/") : Parts.Path;
    const QString PathAndQuery = Parts.HasQuery ? Path + QLatin1Char('?') + Parts.Query : Path;
    if (RulesFor(Parts.Scheme.toLower() + QStringLiteral("://") + Host).Allows(PathAndQuery))
        return true;
    if (!FRefused.contains(URL)) {
        FRefused.insert(URL);
        FRun.Log(QStringLiteral("Refused by robots.txt: ") + URL);
    }
    return false;
}

const TRobotsTxt& TRobotsRules::RulesFor(const QString& Origin)
{
    if (const auto Known = FHosts.find(Origin); Known != FHosts.end())
        return Known->second;
    bool Found = false;
    const QByteArray Text = Fetch(EncodeURLNonASCII(Origin + QStringLiteral("/robots.txt")), Found);
    const TRobotsTxt& Rules
        = FHosts.emplace(Origin, Found ? TRobotsTxt(Text, FUserAgent) : TRobotsTxt()).first->second;
    // Waits are kept per host name, whatever the port, as requests name it.
    if (Rules.CrawlDelay() && FOnCrawlDelay)
        FOnCrawlDelay(QUrl(Origin).host(QUrl::FullyEncoded).toLower(), DelayMs(*Rules.CrawlDelay()));
    return Rules;
}

QByteArray TRobotsRules::Fetch(const QString& RobotsURL, bool& Found)
{
    TRobotsBody Body;
    QString ContentType;
    // Nothing of the last page's request goes with it.
    FClient.SetFirstRequestHeaders({});
    FClient.SetReferer(QString());
    try {
        FClient.HTTPGet(RobotsURL, Body, ContentType, false);
        Found = true;
    } catch (const std::exception& E) {
        const int Code = FClient.ReplyCode();
        Found = Body.Full() && Code >= 200 && Code <= 299;
        if (!Found && (Code < 400 || Code > 499)) {
            FRun.Log(QStringLiteral("robots.txt not read, everything allowed: ") + RobotsURL);
            FRun.LogException(E);
        }
    }
    return Body.Bytes();
}
