#pragma once

#include "http/HTTPClientUnit.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <memory>

// Time limits short enough to keep the suite fast, long enough for loopback.
constexpr int TestConnectTimeoutMs = 1000;
constexpr int TestReadTimeoutMs = 300;

inline std::unique_ptr<THTTPClient> MakeTestClient(
    const QString& ProxyText = QString(), TProxyType Type = ptAUTO)
{
    auto Client
        = std::make_unique<THTTPClient>(ProxyText, Type, QStringLiteral("HarvoTest/1.0"), QString(), 30, 30);
    Client->SetConnectTimeoutMs(TestConnectTimeoutMs);
    Client->SetReadTimeoutMs(TestReadTimeoutMs);
    return Client;
}

// The result of one HTTPGet: the body written, the content type and the
// class and message of the failure (empty on success).
struct GetOutcome {
    QByteArray Body;
    QString ContentType;
    QString ErrorClass;
    QString ErrorMessage;
    int ReplyCode = 0;
};

inline GetOutcome GetWith(
    THTTPClient& Client, const QString& URL, bool NoGZipDeflate = false, int MaxRedirects = -1)
{
    GetOutcome Outcome;
    QBuffer Out(&Outcome.Body);
    Out.open(QIODevice::WriteOnly);
    try {
        Client.HTTPGet(URL, Out, Outcome.ContentType, true, NoGZipDeflate, MaxRedirects);
    } catch (const EHTTPTransportError& Error) {
        Outcome.ErrorClass = Error.ClassName();
        Outcome.ErrorMessage = Error.Message();
        if (const auto* Reply = dynamic_cast<const EHTTPReplyError*>(&Error))
            Outcome.ReplyCode = Reply->ErrorCode();
    } catch (const Exception& Error) {
        Outcome.ErrorClass = Error.ClassName();
        Outcome.ErrorMessage = Error.Message();
    }
    return Outcome;
}

// Posts Payload as a stream body; returns what reached the output stream.
inline QByteArray PostStreamWith(
    THTTPClient& Client, const QString& URL, QByteArray Payload, const QString& PostContentType)
{
    QBuffer PostStream(&Payload);
    PostStream.open(QIODevice::ReadOnly);
    QByteArray Body;
    QBuffer Out(&Body);
    Out.open(QIODevice::WriteOnly);
    QString ContentType;
    Client.HTTPPost(URL, PostStream, PostContentType, Out, ContentType);
    return Body;
}
