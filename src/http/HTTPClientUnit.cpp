#include "http/HTTPClientUnit.h"

#include "http/CurlTransport.h"
#include "http/URLSplit.h"

#include <QUrl>
#include <algorithm>

namespace {

const QString DefaultAccept
    = QStringLiteral("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");

// A relative URL joined to the referer, cut before its query.
QString ResolveAgainst(const QString& URL, const QString& Referer)
{
    if (URL.isEmpty() || IsAbsoluteURL(URL) || Referer.isEmpty())
        return URL;
    const TURLParts Base = SplitURL(Referer);
    if (Base.Scheme.isEmpty() || !Base.HasAuthority)
        return URL;
    const QString Origin = Base.Scheme + QLatin1String("://") + Base.Authority;
    if (URL.startsWith(QLatin1Char('/')))
        return Origin + URL;
    return Origin + Base.Path.left(Base.Path.lastIndexOf(QLatin1Char('/')) + 1)
        + (Base.Path.isEmpty() ? QStringLiteral("/") : QString()) + URL;
}

// Header text as it goes on the wire; line breaks would start a new header.
QByteArray HeaderLine(const QString& Line)
{
    QByteArray Bytes = Line.toUtf8();
    Bytes.replace('\r', ' ').replace('\n', ' ');
    return Bytes;
}

QString HeaderName(const QString& Line)
{
    return Line.section(QLatin1Char(':'), 0, 0).trimmed();
}

bool HasEmptyValue(const QString& Line)
{
    const int Colon = Line.indexOf(QLatin1Char(':'));
    return Colon < 0 || Line.mid(Colon + 1).trimmed().isEmpty();
}

} // namespace

THTTPClient::THTTPClient(const QString& AProxyPort, TProxyType AProxyType, const QString& AUserAgent,
    const QString& ABoundIP, int AConnectTimeoutSec, int AReadTimeoutSec)
    : FTransport(std::make_unique<TCurlTransport>())
    , FAccept(DefaultAccept)
{
    const TProxySettings Proxy = ResolveProxy(AProxyPort, AProxyType);
    FUsesHTTPProxy = Proxy.Kind == TProxyKind::HTTP;
    FTransport->SetProxy(Proxy);
    SetReadTimeout(AReadTimeoutSec);
    SetConnectTimeout(AConnectTimeoutSec);
    FTransport->SetUserAgent(AUserAgent);
    FTransport->SetBoundIP(ABoundIP);
}

THTTPClient::THTTPClient(const THTTPClient& Model, std::unique_ptr<TCurlTransport> Transport)
    : TObject()
    , FTransport(std::move(Transport))
    , FUsesHTTPProxy(Model.FUsesHTTPProxy)
    , FMaxBodySize(Model.FMaxBodySize)
    , FMaxDecodedSize(Model.FMaxDecodedSize)
    , FTempFolder(Model.FTempFolder)
    , FGzipDeflate(Model.FGzipDeflate)
    , FMaxRedirects(Model.FMaxRedirects)
    , FReferer(Model.FReferer)
    , FCustomCookie(Model.FCustomCookie)
    , FAcceptReplies(Model.FAcceptReplies)
    , FAccept(Model.FAccept)
    , FCustomHeaders(Model.FCustomHeaders)
{
}

THTTPClient::~THTTPClient() = default;

void THTTPClient::UseEnvironmentProxy()
{
    FUsesHTTPProxy = false;
    FTransport->SetProxy({ TProxyKind::Environment, QString(), 0 });
}

std::unique_ptr<THTTPClient> THTTPClient::Sibling(std::shared_ptr<TTransferHub> Hub)
{
    return std::unique_ptr<THTTPClient>(new THTTPClient(*this, FTransport->Sibling(std::move(Hub))));
}

void THTTPClient::SetVerifyTLS(bool Verify, const QString& CAFile)
{
    FTransport->SetVerifyTLS(Verify, CAFile);
}

void THTTPClient::SetPacing(const TPacingRules& Rules)
{
    FTransport->Pacer().SetRules(Rules);
}

void THTTPClient::SetHostDelay(const QString& Host, int Ms)
{
    FTransport->Pacer().SetHostDelay(QUrl::toAce(Host), Ms); // as requests name it
}

void THTTPClient::SetAbortFlag(const std::atomic<bool>* Flag)
{
    FTransport->SetAbortFlag(Flag);
}

void THTTPClient::AddAbortFlag(const std::atomic<bool>* Flag)
{
    FTransport->AddAbortFlag(Flag);
}

void THTTPClient::SetLowSpeedRule(int BytesPerSecond, int WindowSeconds)
{
    FTransport->SetLowSpeedRule(BytesPerSecond, WindowSeconds);
}

void THTTPClient::SetConnectTimeout(int ATimeoutSec)
{
    SetConnectTimeoutMs(ATimeoutSec * 1000);
}

void THTTPClient::SetReadTimeout(int ATimeoutSec)
{
    SetReadTimeoutMs(ATimeoutSec * 1000);
}

void THTTPClient::SetConnectTimeoutMs(int ATimeoutMs)
{
    FTransport->SetConnectTimeoutMs(ATimeoutMs);
}

void THTTPClient::SetReadTimeoutMs(int ATimeoutMs)
{
    FTransport->SetReadTimeoutMs(ATimeoutMs);
}

void THTTPClient::SetMaxBodySize(qint64 ABytes)
{
    FMaxBodySize = ABytes;
    FTransport->SetMaxBodySize(ABytes);
}

void THTTPClient::SetRequestTimeLimitMs(int ATimeoutMs)
{
    FTransport->SetTimeLimitMs(ATimeoutMs);
}

void THTTPClient::SetAcceptReplies(const QList<qint16>& AAcceptReplies)
{
    FAcceptReplies = AAcceptReplies;
}

bool THTTPClient::IsAcceptReply(qint16 AReplyCode) const
{
    return FAcceptReplies.contains(AReplyCode);
}

QString THTTPClient::SetRequestAccept(const QString& AAccept)
{
    return std::exchange(FAccept, AAccept);
}

bool THTTPClient::SetRequestHeaders(const QStringList& AHeaders)
{
    if (AHeaders.isEmpty())
        return false;
    FCustomHeaders = AHeaders;
    return true;
}

void THTTPClient::AddRequestHeader(const QString& AHeader)
{
    FCustomHeaders.append(AHeader);
}

void THTTPClient::ResetRequestHeaders()
{
    FCustomHeaders.clear();
}

void THTTPClient::SetCustomHeader(const QString& AName, const QString& AValue)
{
    FCustomHeaders.removeIf(
        [&](const QString& Line) { return HeaderName(Line).compare(AName, Qt::CaseInsensitive) == 0; });
    if (!AValue.isEmpty())
        FCustomHeaders.append(AName + QLatin1String(": ") + AValue);
}

QString THTTPClient::NormalizeURL(const QString& AURL)
{
    QString URL = AURL;
    URL.replace(QLatin1Char(' '), QLatin1String("%20"));
    const int Separator = URL.indexOf(QLatin1String("://"));
    const int Start = Separator >= 0 ? Separator + 3 : 0;
    const int Query = URL.indexOf(QLatin1Char('?'), Start);
    if (Query >= 0) {
        const int Slash = URL.indexOf(QLatin1Char('/'), Start);
        if (Slash < 0 || Slash > Query)
            URL.insert(Query, QLatin1Char('/'));
    }
    return URL;
}

bool THTTPClient::HasHeader(const QStringList& ALines, const QString& AName)
{
    return std::any_of(ALines.begin(), ALines.end(),
        [&](const QString& Line) { return HeaderName(Line).compare(AName, Qt::CaseInsensitive) == 0; });
}

void THTTPClient::PrepareRequest(QString& AURL, bool AUpdateReferer, const QString& AContentType,
    bool ANoGZipDeflate, const QStringList& AFirstPassHeaders, TTransportRequest& ARequest)
{
    AURL = ResolveAgainst(NormalizeURL(AURL), FReferer);
    const QString RefererHeader = FReferer;
    if (AUpdateReferer)
        FReferer = AURL;

    FTransport->SetCookieStoreEnabled(FCustomCookie.isEmpty());
    SetCustomHeader(QStringLiteral("Cookie"), FCustomCookie);

    const bool Https = AURL.left(6).compare(QLatin1String("https:"), Qt::CaseInsensitive) == 0;
    FCurURL = AURL;
    ARequest.URL = AURL;

    const QStringList Standard = {
        QLatin1String("Accept: ") + FAccept,
        QLatin1String("Accept-Encoding: ")
            + (FGzipDeflate && !ANoGZipDeflate ? QLatin1String("gzip, deflate") : QLatin1String()),
        QStringLiteral("Accept-Language: en"),
        QLatin1String("Referer: ") + RefererHeader,
        QLatin1String("Content-Type: ") + AContentType,
        QLatin1String("Proxy-Connection: ")
            + (FUsesHTTPProxy && !Https ? QLatin1String("Keep-Alive") : QLatin1String()),
    };
    ARequest.HeaderLines.clear();
    for (const QStringList* Lines : { &Standard, &std::as_const(FCustomHeaders), &AFirstPassHeaders })
        for (const QString& Line : *Lines)
            if (!HasEmptyValue(Line))
                ARequest.HeaderLines.append(HeaderLine(Line));
}

void THTTPClient::SetRecordSentCookies(bool ARecord)
{
    FTransport->SetRecordSentCookies(ARecord);
    FSentCookies.clear();
}

bool THTTPClient::WouldSendSameCookies(const QList<TSentCookies>& ASent) const
{
    return ASent.isEmpty() || SameCookiesWouldBeSent(ASent, FTransport->CookieList());
}
