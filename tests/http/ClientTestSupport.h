#pragma once

#include "http/HTTPClientUnit.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>

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

// StartGet, waited for: what it leaves as GetWith reports it, and whether
// its end came on another thread than the caller's.
struct StartedOutcome {
    GetOutcome Outcome;
    bool EndedElsewhere = false;
};

inline StartedOutcome StartWith(THTTPClient& Client, const QString& URL)
{
    StartedOutcome Started;
    QBuffer Out(&Started.Outcome.Body);
    Out.open(QIODevice::WriteOnly);
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Done = false;
    std::exception_ptr Failure;
    const Qt::HANDLE Caller = QThread::currentThreadId();
    Client.StartGet(URL, Out, Started.Outcome.ContentType, [&](std::exception_ptr AFailure) {
        const std::lock_guard<std::mutex> Lock(Mutex);
        Failure = AFailure;
        Started.EndedElsewhere = QThread::currentThreadId() != Caller;
        Done = true;
        Changed.notify_all();
    });
    std::unique_lock<std::mutex> Lock(Mutex);
    if (!Changed.wait_for(Lock, std::chrono::seconds(20), [&] { return Done; })) {
        ADD_FAILURE() << "StartGet never ended";
        std::abort(); // the handler refers to this frame
    }
    try {
        if (Failure)
            std::rethrow_exception(Failure);
    } catch (const EHTTPTransportError& Error) {
        Started.Outcome.ErrorClass = Error.ClassName();
        Started.Outcome.ErrorMessage = Error.Message();
        if (const auto* Reply = dynamic_cast<const EHTTPReplyError*>(&Error))
            Started.Outcome.ReplyCode = Reply->ErrorCode();
    }
    return Started;
}

// A GET of URL that Client is told to abort (through its abort flag) once
// Server has the request: what came of it, and how long the client took to
// end after the abort.
struct AbortedOutcome {
    GetOutcome Outcome;
    qint64 EndedAfterMs = 0;
};
inline AbortedOutcome GetAbortedOnceRequested(
    THTTPClient& Client, ScriptedHttpServer& Server, const QString& URL)
{
    std::atomic<bool> Abort { false };
    Client.SetAbortFlag(&Abort);
    QElapsedTimer Timer;
    std::thread Stopper([&] {
        for (int I = 0; I < 1000 && Server.RequestCount() == 0; ++I)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        Timer.start();
        Abort = true;
    });
    AbortedOutcome Aborted { GetWith(Client, URL) };
    Aborted.EndedAfterMs = Timer.elapsed();
    Stopper.join();
    Client.SetAbortFlag(nullptr);
    return Aborted;
}
