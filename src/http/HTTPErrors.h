#pragma once

#include "containers/Exception.h"

// Every failure of the transport derives from EHTTPTransportError; the client
// tells the kinds apart to decide whether a pass may be repeated.
HARVO_DECLARE_EXCEPTION(EHTTPTransportError, Exception)

// A reply that is not a success: the code, the status line as the message and
// the body decoded with the reply's charset.
class EHTTPReplyError : public EHTTPTransportError {
public:
    EHTTPReplyError(int ErrorCode, const QString& StatusLine, const QString& BodyText)
        : EHTTPTransportError(StatusLine)
        , FErrorCode(ErrorCode)
        , FBodyText(BodyText)
    {
    }
    QString ClassName() const override { return QStringLiteral("EHTTPReplyError"); }
    int ErrorCode() const { return FErrorCode; }
    const QString& BodyText() const { return FBodyText; }

private:
    int FErrorCode;
    QString FBodyText;
};

// A connection that failed at the socket level; carries the system's errno.
class ESocketError : public EHTTPTransportError {
public:
    ESocketError(int ErrorCode, const QString& Message)
        : EHTTPTransportError(Message)
        , FErrorCode(ErrorCode)
    {
    }
    QString ClassName() const override { return QStringLiteral("ESocketError"); }
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

HARVO_DECLARE_EXCEPTION(EConnectTimeout, EHTTPTransportError)
HARVO_DECLARE_EXCEPTION(EReadTimeout, EHTTPTransportError)
HARVO_DECLARE_EXCEPTION(EConnectionClosed, EHTTPTransportError)
HARVO_DECLARE_EXCEPTION(ESocksRequestFailed, EHTTPTransportError)
HARVO_DECLARE_EXCEPTION(ESocksUnknownError, EHTTPTransportError)
// A reply that went past the body size or the time allowed for one request.
// Asking again would only repeat the cost, so it is never repeated.
HARVO_DECLARE_EXCEPTION(EResponseLimitError, EHTTPTransportError)
// Redirects past the client's limit: a loop would only loop again.
HARVO_DECLARE_EXCEPTION(ETooManyRedirects, EResponseLimitError)

// The server's TLS certificate failed the check: asking again would meet
// the same certificate.
HARVO_DECLARE_EXCEPTION(ECertificateError, EHTTPTransportError)

// The caller stopped the transfer (Break); not a failure of the server.
HARVO_DECLARE_EXCEPTION(ETransferAborted, EHTTPTransportError)

// The caller's output stream refused a write; not a transport failure.
HARVO_DECLARE_EXCEPTION(EStreamWriteError, Exception)
