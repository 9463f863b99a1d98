#include "LocalHttp.h"

#include "Loopback.h"

#include <QDeadlineTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Owns a socket descriptor.
class Socket {
public:
    Socket()
        : FFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        if (FFd < 0)
            throw ELocalHttpError(QStringLiteral("socket: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    }
    ~Socket() { ::close(FFd); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return FFd; }

private:
    int FFd;
};

bool Connect(const Socket& S, quint16 Port)
{
    const sockaddr_in Address = LoopbackAddress(Port);
    return ::connect(S.Fd(), reinterpret_cast<const sockaddr*>(&Address), sizeof Address) == 0;
}

// Waits for Events on the socket until the deadline; false on time-out.
bool WaitFor(const Socket& S, short Events, const QDeadlineTimer& Deadline)
{
    pollfd Poll { S.Fd(), Events, 0 };
    for (;;) {
        const int Result = ::poll(&Poll, 1, int(Deadline.remainingTime()));
        if (Result > 0)
            return true;
        if (Result == 0)
            return false;
        if (errno != EINTR)
            throw ELocalHttpError(QStringLiteral("poll: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    }
}

void SendAll(const Socket& S, const QByteArray& Data, const QDeadlineTimer& Deadline)
{
    qsizetype Sent = 0;
    while (Sent < Data.size()) {
        if (!WaitFor(S, POLLOUT, Deadline))
            throw ELocalHttpError(QStringLiteral("Time-out while sending the request"));
        const ssize_t N = ::send(S.Fd(), Data.constData() + Sent, size_t(Data.size() - Sent), MSG_NOSIGNAL);
        if (N < 0 && errno != EINTR)
            throw ELocalHttpError(QStringLiteral("send: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        Sent += qMax<ssize_t>(N, 0);
    }
}

QByteArray ReceiveUntilClosed(const Socket& S, const QDeadlineTimer& Deadline)
{
    QByteArray Data;
    char Buffer[16384];
    for (;;) {
        if (!WaitFor(S, POLLIN, Deadline))
            throw ELocalHttpError(QStringLiteral("Time-out while reading the reply"));
        const ssize_t N = ::recv(S.Fd(), Buffer, sizeof Buffer, 0);
        if (N == 0)
            return Data;
        if (N < 0 && errno != EINTR)
            throw ELocalHttpError(QStringLiteral("recv: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        Data.append(Buffer, qMax<ssize_t>(N, 0));
    }
}

LocalHttpReply ParseReply(const QByteArray& Data)
{
    const qsizetype HeadEnd = Data.indexOf("\r\n\r\n");
    if (HeadEnd < 0)
        throw ELocalHttpError(QStringLiteral("The reply has no end of header"));
    LocalHttpReply Reply;
    Reply.Head = Data.left(HeadEnd);
    Reply.Body = Data.mid(HeadEnd + 4);
    // "HTTP/1.1 200 OK"
    const QList<QByteArray> StatusLine = Reply.Head.left(Reply.Head.indexOf("\r\n")).split(' ');
    bool Ok = false;
    Reply.Status = StatusLine.size() >= 2 ? StatusLine[1].toInt(&Ok) : 0;
    if (!Ok)
        throw ELocalHttpError(QStringLiteral("Malformed status line"));
    return Reply;
}

} // namespace

QByteArray LocalHttpReply::Header(const QByteArray& Name) const
{
    const QList<QByteArray> Lines = Head.split('\n');
    for (qsizetype I = 1; I < Lines.size(); ++I) {
        const QByteArray& Line = Lines[I];
        const qsizetype Colon = Line.indexOf(':');
        if (Colon > 0 && Line.left(Colon).trimmed().compare(Name, Qt::CaseInsensitive) == 0)
            return Line.mid(Colon + 1).trimmed();
    }
    return {};
}

bool LocalPortAccepts(quint16 Port)
{
    Socket S;
    return Connect(S, Port);
}

LocalHttpReply LocalHttpGet(
    quint16 Port, const QByteArray& Target, const QList<QByteArray>& ExtraHeaders, int TimeoutMs)
{
    const QDeadlineTimer Deadline(TimeoutMs);
    Socket S;
    if (!Connect(S, Port))
        throw ELocalHttpError(QStringLiteral("Connection to port %1 failed").arg(Port));
    QByteArray Request
        = "GET " + Target + " HTTP/1.0\r\nHost: 127.0.0.1:" + QByteArray::number(Port) + "\r\n";
    for (const QByteArray& Line : ExtraHeaders)
        Request += Line + "\r\n";
    Request += "\r\n";
    SendAll(S, Request, Deadline);
    return ParseReply(ReceiveUntilClosed(S, Deadline));
}
