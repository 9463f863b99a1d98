// How the client runs one request: its passes through redirects, the body
// routed to the caller's stream or decoded, and the reply it leaves.
#include "http/HTTPClientUnit.h"

#include "http/BodyDecoder.h"
#include "http/BodyRouting.h"
#include "http/CurlTransport.h"
#include "http/ResponseCharset.h"

#include <QBuffer>
#include <QUrl>

namespace {

const QString FormContentType = QStringLiteral("application/x-www-form-urlencoded; charset=UTF-8");

void WriteAll(QIODevice& Target, const QByteArray& Bytes)
{
    if (Target.write(Bytes) != Bytes.size())
        throw EStreamWriteError(QStringLiteral("Stream write error: %1").arg(Target.errorString()));
}

} // namespace

bool THTTPClient::IsRedirectReply(int AReplyCode)
{
    return AReplyCode == 301 || AReplyCode == 302 || AReplyCode == 303 || AReplyCode == 307;
}

void THTTPClient::NotifyRedirect(const QString& ALocation)
{
    if (FOnRedirect)
        FOnRedirect(this, ALocation);
    if (FOnRedirectLog)
        FOnRedirectLog(this, QLatin1String("Redirect to: ") + ALocation);
}

void THTTPClient::Perform(const TTransportRequest& ARequest)
{
    const auto NoteSentCookies = [this] {
        const TReplyData& Reply = FTransport->Reply();
        if (!Reply.SentCookies)
            return;
        FSentCookies.append(*Reply.SentCookies);
        FSentCookies.last().SetByReply = CookieNames(Reply.AllHeaders("Set-Cookie"));
    };
    try {
        FTransport->Perform(ARequest);
    } catch (...) {
        NoteSentCookies();
        throw;
    }
    NoteSentCookies();
}

qint64 THTTPClient::DecodedLimit() const
{
    return std::min(FMaxBodySize, FMaxDecodedSize);
}

void THTTPClient::RunPasses(const QString& AURL, const TPostBody* APost, QIODevice& AOutStream,
    QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate, int AMaxRedirects)
{
    AResponseContentType.clear();
    QString URL = AURL;
    const int MaxPasses = AMaxRedirects < 0 ? FMaxRedirects : AMaxRedirects;
    if (MaxPasses < 0)
        return;
    // Only a compressed body waits to be decoded; any other goes straight
    // to the caller's stream as it arrives.
    std::unique_ptr<TEncodedBodyBuffer> DecodeBuffer;
    if (FGzipDeflate && !ANoGZipDeflate)
        DecodeBuffer = std::make_unique<TEncodedBodyBuffer>(DecodedLimit(), FTempFolder);
    const auto IsEncoded = [this] {
        const QString Encoding = GetResponseHeader(QStringLiteral("Content-Encoding"));
        return Encoding == QLatin1String("gzip") || Encoding == QLatin1String("deflate");
    };

    for (int Pass = 0;; ++Pass) {
        const bool PostPass = APost && Pass == 0;
        TTransportRequest Request;
        PrepareRequest(
            URL, AUpdateReferer, PostPass ? APost->ContentType : QString(), ANoGZipDeflate, Request);
        Request.PostBody = PostPass ? APost->Stream : nullptr;
        if (DecodeBuffer)
            DecodeBuffer->Clear(); // a failed attempt leaves nothing behind
        FDecodedHead.reset();
        TBodyRouter Router(AOutStream, DecodeBuffer.get(), IsEncoded);
        Request.Target = &Router;
        try {
            Perform(Request);
            AResponseContentType = MediaTypeOf(GetResponseHeader(QStringLiteral("Content-Type")));
            if (Router.Encoded()) {
                FDecodedHead.emplace();
                THeadKeepingWriter Decoded(AOutStream, *FDecodedHead, BodyHeadLimit);
                DecodeBody(*DecodeBuffer, Decoded, GetResponseHeader(QStringLiteral("Content-Encoding")),
                    DecodedLimit());
                // A decoder keeps a broken body as far as it went, but a
                // stream that refused the bytes must not pass for a whole copy.
                if (const std::exception_ptr Failure = TargetFailure(AOutStream))
                    std::rethrow_exception(Failure);
            }
            return;
        } catch (const EHTTPReplyError& Error) {
            if (IsAcceptReply(qint16(Error.ErrorCode()))) {
                WriteAll(AOutStream, Error.BodyText().toLatin1());
                return;
            }
            if (IsRedirectReply(Error.ErrorCode()) && Pass >= MaxPasses && MaxPasses > 0)
                throw ETooManyRedirects(QStringLiteral("Too many redirects (%1)").arg(MaxPasses));
            if (Pass >= MaxPasses || !IsRedirectReply(Error.ErrorCode())) {
                if (!Error.Message().isEmpty())
                    throw;
                throw EHTTPReplyError(Error.ErrorCode(),
                    QStringLiteral("Reply Error # %1").arg(Error.ErrorCode()), Error.BodyText());
            }
            URL = GetResponseHeader(QStringLiteral("Location"));
            NotifyRedirect(URL);
        }
    }
}

void THTTPClient::HTTPGet(const QString& AURL, QIODevice& AOutStream, QString& AResponseContentType,
    bool AUpdateReferer, bool ANoGZipDeflate, int AMaxRedirects)
{
    RunPasses(AURL, nullptr, AOutStream, AResponseContentType, AUpdateReferer, ANoGZipDeflate, AMaxRedirects);
}

void THTTPClient::HTTPPost(const QString& AURL, QIODevice& APostStream, const QString& APostContentType,
    QIODevice& AOutStream, QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate,
    int AMaxRedirects)
{
    const TPostBody Post { &APostStream, APostContentType };
    RunPasses(AURL, &Post, AOutStream, AResponseContentType, AUpdateReferer, ANoGZipDeflate, AMaxRedirects);
}

void THTTPClient::HTTPPost(const QString& AURL, const TStrings& APostForm, QIODevice& AOutStream,
    QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate, int AMaxRedirects)
{
    QByteArray Encoded;
    for (int I = 0; I < APostForm.Count(); ++I) {
        if (I > 0)
            Encoded += '&';
        Encoded += QUrl::toPercentEncoding(APostForm.Names(I)) + '='
            + QUrl::toPercentEncoding(APostForm.ValueFromIndex(I));
    }
    QBuffer Body(&Encoded);
    Body.open(QIODevice::ReadOnly);
    HTTPPost(AURL, Body, FormContentType, AOutStream, AResponseContentType, AUpdateReferer, ANoGZipDeflate,
        AMaxRedirects);
}

void THTTPClient::HTTPPost(const QString& AURL, const TMultipartFormData& APostForm, QIODevice& AOutStream,
    QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate, int AMaxRedirects)
{
    QByteArray Encoded = APostForm.Body();
    QBuffer Body(&Encoded);
    Body.open(QIODevice::ReadOnly);
    HTTPPost(AURL, Body, APostForm.ContentType(), AOutStream, AResponseContentType, AUpdateReferer,
        ANoGZipDeflate, AMaxRedirects);
}

QString THTTPClient::GetResponseCharset() const
{
    // A declaration is looked for in the body as decoded, not as it came.
    return ResponseCharset(GetResponseHeader(QStringLiteral("Content-Type")),
        FDecodedHead ? *FDecodedHead : FTransport->Reply().BodyHead);
}

QString THTTPClient::GetResponseHeader(const QString& AName) const
{
    const QByteArray* Value = FTransport->Reply().Header(AName.toLatin1());
    return Value ? HeaderText(*Value) : QString();
}
