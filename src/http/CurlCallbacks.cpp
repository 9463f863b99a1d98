// The callbacks through which libcurl hands a transfer's reply to its
// transport, and takes the body of a POST from it.
#include "http/CurlTransport.h"

#include "http/BodyTarget.h"
#include "http/HTTPErrors.h"

#include <algorithm>
#include <cstring>

namespace {

// How much of the body of a reply that is not a success is kept (for the
// error's text); the rest is not read.
constexpr qsizetype ErrorBodyLimit = 1 << 20;

QByteArray Trimmed(const char* Data, size_t Size)
{
    return QByteArray(Data, qsizetype(Size)).trimmed();
}

// True when the reply names two different lengths: which one frames the
// body is anybody's guess, so the body cannot be trusted.
bool HasConflictingContentLength(const TReplyData& Reply)
{
    const QByteArray* First = Reply.Header("Content-Length");
    return First && std::any_of(Reply.Headers.begin(), Reply.Headers.end(), [First](const auto& Header) {
        return Header.first.compare("Content-Length", Qt::CaseInsensitive) == 0 && Header.second != *First;
    });
}

} // namespace

size_t TCurlTransport::OnHeader(char* Data, size_t Size, size_t Count, void* Self)
{
    auto* Transport = static_cast<TCurlTransport*>(Self);
    const size_t Length = Size * Count;
    Transport->Touch();
    TReplyData& Reply = Transport->FReply;
    Transport->FHeaderBytes += qint64(Length);
    if (Transport->FHeaderBytes > MaxReplyHeaderBytes) {
        Transport->FCallbackError = ReplyHeaderFailure();
        return 0;
    }
    if (Length >= 5 && qstrncmp(Data, "HTTP/", 5) == 0) {
        // A new status line (after an interim reply) starts a new header set.
        Reply.Headers.clear();
        const QByteArray Line = Trimmed(Data, Length);
        Reply.StatusLine = QString::fromLatin1(Line);
        Reply.Code = Line.split(' ').value(1).toInt();
        return Length;
    }
    if (Reply.Code >= 200 && Trimmed(Data, Length).isEmpty() && HasConflictingContentLength(Reply)) {
        // Which length frames the body is anybody's guess: none of it is read.
        Transport->FCallbackError = std::make_exception_ptr(
            EHTTPTransportError(QStringLiteral("Bad reply: two different Content-Length values")));
        return 0;
    }
    const char* Colon = static_cast<const char*>(memchr(Data, ':', Length));
    if (Colon)
        Reply.Headers.emplace_back(
            Trimmed(Data, size_t(Colon - Data)), Trimmed(Colon + 1, Length - size_t(Colon - Data) - 1));
    return Length;
}

size_t TCurlTransport::OnBody(char* Data, size_t Size, size_t Count, void* Self)
{
    auto* Transport = static_cast<TCurlTransport*>(Self);
    const size_t Length = Size * Count;
    // Held back data comes again once the pause ends: nothing of it is taken yet.
    if (const long long DelayMs = Transport->FPacer->TakeBytes(Transport->FRequestHost, qint64(Length))) {
        Transport->HoldBody(DelayMs);
        return CURL_WRITEFUNC_PAUSE;
    }
    Transport->Touch();
    TReplyData& Reply = Transport->FReply;
    Transport->FBodyReceived += qint64(Length);
    if (const std::exception_ptr TooLarge
        = BodySizeFailure(Transport->FBodyReceived, Transport->FMaxBodySize)) {
        Transport->FCallbackError = TooLarge;
        return 0;
    }
    if (Reply.BodyHead.size() < BodyHeadLimit)
        Reply.BodyHead.append(
            Data, qsizetype(std::min<size_t>(Length, BodyHeadLimit - Reply.BodyHead.size())));
    if (!Reply.IsSuccess()) {
        Reply.ErrorBody.append(
            Data, qsizetype(std::min<size_t>(Length, size_t(ErrorBodyLimit - Reply.ErrorBody.size()))));
        if (Reply.ErrorBody.size() < ErrorBodyLimit)
            return Length;
        Transport->FErrorBodyCut = true;
        return 0;
    }
    if (Transport->FTarget->write(Data, qint64(Length)) != qint64(Length)) {
        const std::exception_ptr Reason = TargetFailure(*Transport->FTarget);
        Transport->FCallbackError = Reason
            ? Reason
            : std::make_exception_ptr(EStreamWriteError(
                QStringLiteral("Stream write error: %1").arg(Transport->FTarget->errorString())));
        return 0;
    }
    return Length;
}

size_t TCurlTransport::OnReadPost(char* Data, size_t Size, size_t Count, void* Self)
{
    auto* Transport = static_cast<TCurlTransport*>(Self);
    Transport->Touch();
    const qint64 Read = Transport->FPostBody->read(Data, qint64(Size * Count));
    return Read < 0 ? CURL_READFUNC_ABORT : size_t(Read);
}

// Lets the transport send the body again when a kept connection turned out
// to be closed and the request goes out on a new one.
int TCurlTransport::OnSeekPost(void* Self, curl_off_t Offset, int Origin)
{
    auto* Transport = static_cast<TCurlTransport*>(Self);
    if (Origin != SEEK_SET || Transport->FPostBody->isSequential())
        return CURL_SEEKFUNC_CANTSEEK;
    return Transport->FPostBody->seek(Transport->FPostStart + qint64(Offset)) ? CURL_SEEKFUNC_OK
                                                                              : CURL_SEEKFUNC_FAIL;
}

int TCurlTransport::OnConnected(void* Self, char*, char*, int, int LocalPort)
{
    auto* Transport = static_cast<TCurlTransport*>(Self);
    Transport->FConnected = true;
    Transport->FLocalPort = LocalPort;
    Transport->FSocketBytes = Transport->FSockets->BytesReceived(LocalPort);
    // The request goes out next, with the cookies the jar holds now.
    if (Transport->FRecordSentCookies)
        Transport->FReply.SentCookies = TSentCookies { Transport->FRequestHost,
            HostCookies(Transport->CookieList(), Transport->FRequestHost), {} };
    Transport->Touch();
    return CURL_PREREQFUNC_OK;
}
