#include "support/ScriptedHttpServer.h"

#include "support/TestCertificate.h"

#include <openssl/ssl.h>
#include <sys/socket.h>

namespace {

// A request head larger than this is refused by closing the connection.
constexpr qsizetype MaxRequestHead = 1 << 20;

QByteArray PathOf(const QByteArray& Target)
{
    // Origin form starts with "/"; only the absolute form (through a proxy)
    // carries a scheme and an authority.
    const int Separator = Target.indexOf("://");
    if (Target.startsWith('/') || Separator < 0)
        return Target;
    const int Slash = Target.indexOf('/', Separator + 3);
    return Slash < 0 ? QByteArray("/") : Target.mid(Slash);
}

} // namespace

// The byte stream of one accepted connection, with or without TLS.
class ScriptedHttpServer::Connection {
public:
    Connection(int Socket, SSL_CTX* Context)
        : FSocket(Socket)
    {
        if (!Context)
            return;
        FSsl = SSL_new(Context);
        SSL_set_fd(FSsl, Socket);
        FReady = SSL_accept(FSsl) == 1;
    }
    ~Connection() { SSL_free(FSsl); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Ready() const { return FReady; }
    qsizetype Read(char* Data, qsizetype Size)
    {
        return FSsl ? SSL_read(FSsl, Data, int(Size)) : ::recv(FSocket, Data, size_t(Size), 0);
    }
    bool Write(const QByteArray& Bytes)
    {
        if (!FSsl)
            return SocketIO::WriteAll(FSocket, Bytes);
        return Bytes.isEmpty() || SSL_write(FSsl, Bytes.constData(), int(Bytes.size())) == int(Bytes.size());
    }

private:
    int FSocket;
    SSL* FSsl = nullptr;
    bool FReady = true;
};

bool RecordedRequest::HasHeader(const QByteArray& Name) const
{
    for (const auto& Header : Headers)
        if (Header.first.compare(Name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QByteArray RecordedRequest::Header(const QByteArray& Name) const
{
    for (const auto& Header : Headers)
        if (Header.first.compare(Name, Qt::CaseInsensitive) == 0)
            return Header.second;
    return {};
}

ScriptedReply ScriptedReply::Raw(const QByteArray& Bytes, Then After)
{
    ScriptedReply Reply;
    Reply.Bytes = Bytes;
    Reply.After = After;
    return Reply;
}

ScriptedReply ScriptedReply::Status(
    int Code, const QByteArray& Reason, const QList<QByteArray>& HeaderLines, const QByteArray& Body)
{
    QByteArray Bytes = "HTTP/1.1 " + QByteArray::number(Code) + ' ' + Reason + "\r\n";
    for (const QByteArray& Line : HeaderLines)
        Bytes += Line + "\r\n";
    Bytes += "Content-Length: " + QByteArray::number(Body.size()) + "\r\n\r\n" + Body;
    return Raw(Bytes);
}

ScriptedReply ScriptedReply::Ok(const QByteArray& Body, const QByteArray& ContentType)
{
    return Status(200, "OK", { "Content-Type: " + ContentType }, Body);
}

ScriptedReply ScriptedReply::Redirect(int Code, const QByteArray& Location)
{
    return Status(Code, "Moved", { "Location: " + Location }, "moved");
}

ScriptedReply ScriptedReply::Stream(
    const QByteArray& Chunk, qint64 Count, int PauseMs, const QByteArray& ContentType)
{
    QByteArray Head = "HTTP/1.1 200 OK\r\nContent-Type: " + ContentType + "\r\n";
    if (Count >= 0)
        Head += "Content-Length: " + QByteArray::number(Chunk.size() * Count) + "\r\n";
    ScriptedReply Reply = Raw(Head + "\r\n", Count >= 0 ? Then::KeepAlive : Then::Close);
    Reply.Chunk = Chunk;
    Reply.ChunkCount = Count;
    Reply.ChunkPauseMs = PauseMs;
    return Reply;
}

ScriptedReply ScriptedReply::Silence()
{
    return Raw({}, Then::Hold);
}

ScriptedHttpServer::ScriptedHttpServer(const TestCertificate* Tls)
    : FTls(Tls)
{
    Start();
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    Stop();
}

void ScriptedHttpServer::On(const QByteArray& Path, const ScriptedReply& Reply)
{
    std::lock_guard<std::mutex> Lock(FDataMutex);
    FRoutes[Path] = Reply;
}

void ScriptedHttpServer::SetFallback(Handler Fallback)
{
    std::lock_guard<std::mutex> Lock(FDataMutex);
    FFallback = std::move(Fallback);
}

QString ScriptedHttpServer::Url(const QString& Path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(FTls ? "https" : "http").arg(Port()).arg(Path);
}

std::vector<RecordedRequest> ScriptedHttpServer::Requests() const
{
    std::lock_guard<std::mutex> Lock(FDataMutex);
    return FRequests;
}

int ScriptedHttpServer::RequestCount() const
{
    std::lock_guard<std::mutex> Lock(FDataMutex);
    return int(FRequests.size());
}

ScriptedReply ScriptedHttpServer::ReplyFor(const RecordedRequest& Request) const
{
    Handler Fallback;
    {
        std::lock_guard<std::mutex> Lock(FDataMutex);
        const auto Route = FRoutes.find(Request.Path);
        if (Route != FRoutes.end())
            return Route->second;
        Fallback = FFallback;
    }
    return Fallback ? Fallback(Request) : ScriptedReply::Status(404, "Not Found", {}, "no such page");
}

void ScriptedHttpServer::Serve(int Socket, int ConnectionId)
{
    Connection Link(Socket, FTls ? FTls->Context() : nullptr);
    if (Link.Ready())
        ServeRequests(Link, ConnectionId);
    ++FClosedCount;
}

void ScriptedHttpServer::ServeRequests(Connection& Link, int ConnectionId)
{
    QByteArray Pending;
    char Chunk[16384];
    auto ReadMore = [&] {
        const qsizetype Received = Link.Read(Chunk, sizeof Chunk);
        if (Received > 0)
            Pending.append(Chunk, Received);
        return Received > 0;
    };
    while (!Stopping()) {
        qsizetype HeadEnd;
        while ((HeadEnd = Pending.indexOf("\r\n\r\n")) < 0)
            if (Pending.size() > MaxRequestHead || !ReadMore())
                return;
        RecordedRequest Request;
        Request.ConnectionId = ConnectionId;
        const QList<QByteArray> Lines = Pending.left(HeadEnd).split('\n');
        const QList<QByteArray> RequestLine = Lines.value(0).trimmed().split(' ');
        Request.Method = RequestLine.value(0);
        Request.Target = RequestLine.value(1);
        Request.Path = PathOf(Request.Target);
        for (qsizetype I = 1; I < Lines.size(); ++I) {
            const int Colon = Lines[I].indexOf(':');
            if (Colon > 0)
                Request.Headers.emplace_back(
                    Lines[I].left(Colon).trimmed(), Lines[I].mid(Colon + 1).trimmed());
        }
        Pending.remove(0, HeadEnd + 4);
        const qsizetype BodyLength = Request.Header("Content-Length").toLongLong();
        while (Pending.size() < BodyLength)
            if (!ReadMore())
                return;
        Request.Body = Pending.left(BodyLength);
        Pending.remove(0, BodyLength);
        {
            std::lock_guard<std::mutex> Lock(FDataMutex);
            FRequests.push_back(Request);
        }

        const ScriptedReply Reply = ReplyFor(Request);
        if ((Reply.DelayMs > 0 && !SleepUnlessStopping(Reply.DelayMs)) || !Link.Write(Reply.Bytes))
            return;
        for (qint64 Sent = 0; Reply.ChunkCount < 0 || Sent < Reply.ChunkCount; ++Sent)
            if ((Reply.ChunkPauseMs > 0 && !SleepUnlessStopping(Reply.ChunkPauseMs)) || Stopping()
                || !Link.Write(Reply.Chunk))
                return;
        if (Reply.After == ScriptedReply::Then::Close)
            return;
        if (Reply.After == ScriptedReply::Then::Hold) {
            while (ReadMore())
                ;
            return;
        }
    }
}
