#pragma once

#include "support/SocketServer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class TestCertificate;

// One request as the server received it.
struct RecordedRequest {
    QByteArray Method;
    QByteArray Target; // as sent: origin form, or absolute form through a proxy
    QByteArray Path; // the target without scheme and authority
    std::vector<std::pair<QByteArray, QByteArray>> Headers;
    QByteArray Body;
    int ConnectionId = 0;

    bool HasHeader(const QByteArray& Name) const;
    // The first header of that name; empty when absent.
    QByteArray Header(const QByteArray& Name) const;
};

// What the server does with a request: exact bytes, with optional pauses
// and connection handling.
struct ScriptedReply {
    enum class Then { KeepAlive, Close, Hold };

    QByteArray Bytes;
    int DelayMs = 0; // pause before the first byte
    Then After = Then::KeepAlive; // Hold: send nothing more until the client leaves
    // After Bytes: Chunk sent ChunkCount times (-1: until the client leaves
    // or the server stops), with ChunkPauseMs before each.
    QByteArray Chunk;
    qint64 ChunkCount = 0;
    int ChunkPauseMs = 0;

    static ScriptedReply Raw(const QByteArray& Bytes, Then After = Then::KeepAlive);
    // A complete reply with a Content-Length header after the given ones.
    static ScriptedReply Status(int Code, const QByteArray& Reason, const QList<QByteArray>& HeaderLines = {},
        const QByteArray& Body = {});
    static ScriptedReply Ok(const QByteArray& Body, const QByteArray& ContentType = "text/html");
    static ScriptedReply Redirect(int Code, const QByteArray& Location);
    // A 200 reply whose body is Chunk repeated Count times (-1: without end),
    // with a Content-Length only when the count is known.
    static ScriptedReply Stream(
        const QByteArray& Chunk, qint64 Count, int PauseMs = 0, const QByteArray& ContentType = "text/plain");
    // Accepts the request and never answers.
    static ScriptedReply Silence();
};

// A scripted HTTP/1.1 server (plain or TLS) on 127.0.0.1: replies are looked
// up by request path, then by the fallback handler, else 404. Every request
// is recorded with the connection it came on.
class ScriptedHttpServer : public SocketServer {
public:
    using Handler = std::function<ScriptedReply(const RecordedRequest&)>;

    explicit ScriptedHttpServer(const TestCertificate* Tls = nullptr);
    ~ScriptedHttpServer() override;

    void On(const QByteArray& Path, const ScriptedReply& Reply);
    void SetFallback(Handler Fallback);
    // "http://127.0.0.1:<port>" (or https) followed by Path.
    QString Url(const QString& Path = QStringLiteral("/")) const;

    std::vector<RecordedRequest> Requests() const;
    int RequestCount() const;
    // Connections the client has closed (or that the server closed).
    int ClosedConnectionCount() const { return FClosedCount; }

protected:
    void Serve(int Socket, int ConnectionId) override;

private:
    class Connection;
    ScriptedReply ReplyFor(const RecordedRequest& Request) const;
    void ServeRequests(Connection& Link, int ConnectionId);

    const TestCertificate* FTls;
    mutable std::mutex FDataMutex;
    std::map<QByteArray, ScriptedReply> FRoutes;
    Handler FFallback;
    std::vector<RecordedRequest> FRequests;
    std::atomic<int> FClosedCount { 0 };
};
