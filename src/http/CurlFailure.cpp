#include "http/CurlTransport.h"

#include "http/HTTPErrors.h"

#include <QRegularExpression>
#include <cerrno>

namespace {

// libcurl's text without the time a step took ("... after 12 ms: ..."), which
// differs from run to run and would make two logs of one site differ.
QString WithoutElapsedTime(const QString& Message)
{
    static const QRegularExpression Elapsed(QStringLiteral(" after \\d+ (ms|milliseconds)\\b"));
    return QString(Message).remove(Elapsed);
}

// libcurl's words on a failed certificate check, as a user would read them.
QString CertificateProblem(const QString& Message)
{
    static const QLatin1String Prefix("SSL certificate problem: ");
    if (Message.contains(QLatin1String("subject name"), Qt::CaseInsensitive)
        || Message.contains(QLatin1String("does not match"), Qt::CaseInsensitive))
        return QStringLiteral("the certificate is for another host name");
    if (Message.startsWith(Prefix, Qt::CaseInsensitive))
        return Message.mid(Prefix.size());
    return Message;
}

} // namespace

void TCurlTransport::RaiseCertificateFailure()
{
    const QString Message = QString::fromUtf8(FErrorBuffer[0] ? FErrorBuffer : "unknown reason");
    throw ECertificateError(QStringLiteral("Certificate check failed for %1: %2")
                                .arg(QString::fromUtf8(FRequestHost), CertificateProblem(Message)));
}

void TCurlTransport::RaiseFailure(CURLcode Code)
{
    const QString Message
        = WithoutElapsedTime(QString::fromUtf8(FErrorBuffer[0] ? FErrorBuffer : curl_easy_strerror(Code)));
    long OsError = 0;
    curl_easy_getinfo(FEasy, CURLINFO_OS_ERRNO, &OsError);
    switch (Code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        RaiseCertificateFailure();
    case CURLE_COULDNT_CONNECT:
        throw ESocketError(int(OsError), Message);
    case CURLE_OUT_OF_MEMORY:
        // The transport refuses a header line past its own limit this way.
        if (FConnected && FBodyReceived == 0)
            std::rethrow_exception(ReplyHeaderFailure());
        throw EHTTPTransportError(Message);
    case CURLE_OPERATION_TIMEDOUT:
        // No overall time-out is set: once connected, only the low-speed
        // rule ends a transfer this way.
        if (FConnected)
            throw EReadTimeout(QStringLiteral("Too slow: less than %1 bytes/s for %2 s")
                                   .arg(FLowSpeedBytes)
                                   .arg(FLowSpeedSeconds));
        throw EConnectTimeout(Message);
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        throw EConnectionClosed(Message);
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        if (OsError == ECONNRESET || OsError == EPIPE || OsError == 0)
            throw EConnectionClosed(Message);
        throw ESocketError(int(OsError), Message);
    case CURLE_PROXY: {
        long ProxyCode = CURLPX_OK;
        curl_easy_getinfo(FEasy, CURLINFO_PROXY_ERROR, &ProxyCode);
        if (ProxyCode == CURLPX_REQUEST_FAILED
            || (ProxyCode >= CURLPX_REPLY_ADDRESS_TYPE_NOT_SUPPORTED && ProxyCode <= CURLPX_REPLY_UNASSIGNED))
            throw ESocksRequestFailed(Message);
        throw ESocksUnknownError(Message);
    }
    default:
        throw EHTTPTransportError(Message);
    }
}
