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

void THTTPClient::NoteSentCookies()
{
    const TReplyData& Reply = FTransport->Reply();
    if (!Reply.SentCookies)
        return;
    FSentCookies.append(*Reply.SentCookies);
    FSentCookies.last().SetByReply = CookieNames(Reply.AllHeaders("Set-Cookie"));
}

void THTTPClient::Perform(const TTransportRequest& ARequest)
{
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

struct THTTPClient::TPasses {
    QString URL;
    const TPostBody* Post; // sent by the first pass
    QIODevice& OutStream;
    QString& ContentType;
    bool UpdateReferer;
    bool NoGZipDeflate;
    int MaxPasses;
    QStringList FirstPassHeaders;
    // The first pass asks whether the caller's copy is still current.
    bool Conditional;
    int Pass = 0;
    // Only a compressed body waits to be decoded; any other goes straight
    // to the caller's stream as it arrives.
    std::unique_ptr<TEncodedBodyBuffer> DecodeBuffer;
    std::unique_ptr<TBodyRouter> Router;
    TRequestDone OnDone;
};

std::shared_ptr<THTTPClient::TPasses> THTTPClient::MakePasses(const QString& AURL, const TPostBody* APost,
    QIODevice& AOutStream, QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate,
    int AMaxRedirects)
{
    AResponseContentType.clear();
    const int MaxPasses = AMaxRedirects < 0 ? FMaxRedirects : AMaxRedirects;
    if (MaxPasses < 0)
        return nullptr;
    // The bytes of a range count from the start of the file as stored.
    const bool NoGZipDeflate = ANoGZipDeflate || HasHeader(FFirstRequestHeaders, QStringLiteral("Range"));
    const bool Conditional = HasHeader(FFirstRequestHeaders, QStringLiteral("If-None-Match"))
        || HasHeader(FFirstRequestHeaders, QStringLiteral("If-Modified-Since"));
    std::unique_ptr<TEncodedBodyBuffer> DecodeBuffer;
    if (FGzipDeflate && !NoGZipDeflate)
        DecodeBuffer = std::make_unique<TEncodedBodyBuffer>(DecodedLimit(), FTempFolder);
    return std::make_shared<TPasses>(
        TPasses { AURL, APost, AOutStream, AResponseContentType, AUpdateReferer, NoGZipDeflate, MaxPasses,
            FFirstRequestHeaders, Conditional, 0, std::move(DecodeBuffer), nullptr, {} });
}

void THTTPClient::BeginPass(TPasses& APasses, TTransportRequest& ARequest)
{
    const bool PostPass = APasses.Post && APasses.Pass == 0;
    PrepareRequest(APasses.URL, APasses.UpdateReferer, PostPass ? APasses.Post->ContentType : QString(),
        APasses.NoGZipDeflate, APasses.Pass == 0 ? APasses.FirstPassHeaders : QStringList(), ARequest);
    ARequest.PostBody = PostPass ? APasses.Post->Stream : nullptr;
    if (APasses.DecodeBuffer)
        APasses.DecodeBuffer->Clear(); // a failed attempt leaves nothing behind
    FDecodedHead.reset();
    APasses.Router = std::make_unique<TBodyRouter>(APasses.OutStream, APasses.DecodeBuffer.get(), [this] {
        const QString Encoding = GetResponseHeader(QStringLiteral("Content-Encoding"));
        return Encoding == QLatin1String("gzip") || Encoding == QLatin1String("deflate");
    });
    ARequest.Target = APasses.Router.get();
}

bool THTTPClient::EndPass(TPasses& APasses, const std::exception_ptr& AFailure)
{
    QIODevice& AOutStream = APasses.OutStream;
    try {
        if (AFailure)
            std::rethrow_exception(AFailure);
        APasses.ContentType = MediaTypeOf(GetResponseHeader(QStringLiteral("Content-Type")));
        if (APasses.Router->Encoded()) {
            FDecodedHead.emplace();
            THeadKeepingWriter Decoded(AOutStream, *FDecodedHead, BodyHeadLimit);
            DecodeBody(*APasses.DecodeBuffer, Decoded, GetResponseHeader(QStringLiteral("Content-Encoding")),
                DecodedLimit());
            // A decoder keeps a broken body as far as it went, but a
            // stream that refused the bytes must not pass for a whole copy.
            if (const std::exception_ptr Failure = TargetFailure(AOutStream))
                std::rethrow_exception(Failure);
        }
        return true;
    } catch (const EHTTPReplyError& Error) {
        const int MaxPasses = APasses.MaxPasses;
        const int Pass = APasses.Pass;
        // Not modified: the caller's copy stands, and no body came.
        if (Error.ErrorCode() == 304 && Pass == 0 && APasses.Conditional)
            return true;
        if (IsAcceptReply(qint16(Error.ErrorCode()))) {
            WriteAll(AOutStream, Error.BodyText().toLatin1());
            return true;
        }
        if (IsRedirectReply(Error.ErrorCode()) && Pass >= MaxPasses && MaxPasses > 0)
            throw ETooManyRedirects(QStringLiteral("Too many redirects (%1)").arg(MaxPasses));
        if (Pass >= MaxPasses || !IsRedirectReply(Error.ErrorCode())) {
            if (!Error.Message().isEmpty())
                throw;
            throw EHTTPReplyError(Error.ErrorCode(),
                QStringLiteral("Reply Error # %1").arg(Error.ErrorCode()), Error.BodyText());
        }
        APasses.URL = GetResponseHeader(QStringLiteral("Location"));
        ++APasses.Pass;
        NotifyRedirect(APasses.URL);
        return false;
    }
}

void THTTPClient::RunPasses(const QString& AURL, const TPostBody* APost, QIODevice& AOutStream,
    QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate, int AMaxRedirects)
{
    const std::shared_ptr<TPasses> Passes = MakePasses(
        AURL, APost, AOutStream, AResponseContentType, AUpdateReferer, ANoGZipDeflate, AMaxRedirects);
    if (!Passes)
        return;
    for (;;) {
        TTransportRequest Request;
        BeginPass(*Passes, Request);
        std::exception_ptr Failure;
        try {
            Perform(Request);
        } catch (...) {
            Failure = std::current_exception();
        }
        if (EndPass(*Passes, Failure))
            return;
    }
}

void THTTPClient::StartPass(const std::shared_ptr<TPasses>& APasses)
{
    TTransportRequest Request;
    BeginPass(*APasses, Request);
    FTransport->Start(Request, [this, APasses](std::exception_ptr AFailure) {
        NoteSentCookies();
        std::exception_ptr Ended;
        try {
            if (!EndPass(*APasses, AFailure)) {
                StartPass(APasses);
                return;
            }
        } catch (...) {
            Ended = std::current_exception();
        }
        // The handler goes with the passes: keep it while it runs.
        const TRequestDone OnDone = std::move(APasses->OnDone);
        OnDone(Ended);
    });
}

void THTTPClient::StartGet(
    const QString& AURL, QIODevice& AOutStream, QString& AResponseContentType, TRequestDone AOnDone)
{
    const std::shared_ptr<TPasses> Passes
        = MakePasses(AURL, nullptr, AOutStream, AResponseContentType, true, false, -1);
    if (!Passes) {
        AOnDone(nullptr);
        return;
    }
    Passes->OnDone = std::move(AOnDone);
    StartPass(Passes);
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

int THTTPClient::ReplyCode() const
{
    return FTransport->Reply().Code;
}

QString THTTPClient::GetResponseHeader(const QString& AName) const
{
    const QByteArray* Value = FTransport->Reply().Header(AName.toLatin1());
    return Value ? HeaderText(*Value) : QString();
}
