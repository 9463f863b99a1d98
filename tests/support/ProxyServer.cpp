#include "support/ProxyServer.h"

#include <QtEndian>
#include <arpa/inet.h>
#include <unistd.h>

namespace {

// Reads up to a zero byte (SOCKS 4 user id and host name); false at end.
bool ReadZeroTerminated(int Socket, QByteArray& Text)
{
    char C;
    while (SocketIO::ReadExact(Socket, &C, 1)) {
        if (C == 0)
            return true;
        if (Text.size() > 255)
            return false;
        Text += C;
    }
    return false;
}

} // namespace

ProxyServer::ProxyServer(Kind ProxyKind) : FKind(ProxyKind)
{
    Start();
}

ProxyServer::~ProxyServer()
{
    Stop();
}

QList<QByteArray> ProxyServer::Targets() const
{
    std::lock_guard<std::mutex> Lock(FDataMutex);
    return FTargets;
}

QList<QByteArray> ProxyServer::RequestHeads() const
{
    std::lock_guard<std::mutex> Lock(FDataMutex);
    return FRequestHeads;
}

void ProxyServer::Serve(int Socket, int)
{
    switch (FKind) {
    case Kind::HTTP:
        return ServeHttp(Socket);
    case Kind::SOCKS4:
        return ServeSocks4(Socket);
    case Kind::SOCKS5:
        return ServeSocks5(Socket);
    }
}

int ProxyServer::OpenTarget(const QByteArray& Host, quint16 Port)
{
    {
        std::lock_guard<std::mutex> Lock(FDataMutex);
        FTargets.append(Host + ':' + QByteArray::number(Port));
    }
    const int Target = SocketIO::ConnectTo(Host, Port);
    if (Target >= 0)
        Track(Target);
    return Target;
}

void ProxyServer::RelayTo(int Client, int Target, const QByteArray& FirstBytes)
{
    if (SocketIO::WriteAll(Target, FirstBytes))
        SocketIO::Relay(Client, Target);
    Untrack(Target);
    ::close(Target);
}

void ProxyServer::AnswerAndRelay(int Client, int Target, const QByteArray& Answer)
{
    if (SocketIO::WriteAll(Client, Answer) && Target >= 0) {
        RelayTo(Client, Target, {});
        return;
    }
    if (Target >= 0) {
        Untrack(Target);
        ::close(Target);
    }
}

void ProxyServer::ServeHttp(int Client)
{
    QByteArray Head;
    char C;
    while (!Head.endsWith("\r\n\r\n")) {
        if (Head.size() > 65536 || !SocketIO::ReadExact(Client, &C, 1))
            return;
        Head += C;
    }
    {
        std::lock_guard<std::mutex> Lock(FDataMutex);
        FRequestHeads.append(Head);
    }
    const QList<QByteArray> RequestLine = Head.left(Head.indexOf("\r\n")).split(' ');
    const bool Tunnel = RequestLine.value(0) == "CONNECT";
    QByteArray Authority = RequestLine.value(1);
    if (!Tunnel) {
        const int Start = Authority.indexOf("://") + 3;
        const int Slash = Authority.indexOf('/', Start);
        Authority = Authority.mid(Start, Slash < 0 ? -1 : Slash - Start);
    }
    const int Colon = Authority.lastIndexOf(':');
    const quint16 Port = Colon < 0 ? 80 : quint16(Authority.mid(Colon + 1).toUShort());
    const int Target = OpenTarget(Colon < 0 ? Authority : Authority.left(Colon), Port);
    if (Target < 0) {
        SocketIO::WriteAll(Client, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
        return;
    }
    if (Tunnel)
        AnswerAndRelay(Client, Target, "HTTP/1.1 200 Connection established\r\n\r\n");
    else
        RelayTo(Client, Target, Head);
}

void ProxyServer::ServeSocks4(int Client)
{
    char Request[8];
    QByteArray UserId;
    if (!SocketIO::ReadExact(Client, Request, 8) || Request[0] != 4 || Request[1] != 1
        || !ReadZeroTerminated(Client, UserId))
        return;
    const quint16 Port = qFromBigEndian<quint16>(Request + 2);
    QByteArray Host(INET_ADDRSTRLEN, 0);
    inet_ntop(AF_INET, Request + 4, Host.data(), INET_ADDRSTRLEN);
    Host.truncate(qstrlen(Host.constData()));
    if (Host.startsWith("0.0.0.") && !ReadZeroTerminated(Client, Host = QByteArray()))
        return; // SOCKS 4a: the name follows the user id
    const int Target = OpenTarget(Host, Port);
    QByteArray Reply(8, 0);
    Reply[1] = char(Target >= 0 ? 0x5A : 0x5B);
    AnswerAndRelay(Client, Target, Reply);
}

void ProxyServer::ServeSocks5(int Client)
{
    unsigned char Greeting[2];
    QByteArray Methods(256, 0);
    if (!SocketIO::ReadExact(Client, reinterpret_cast<char*>(Greeting), 2) || Greeting[0] != 5
        || !SocketIO::ReadExact(Client, Methods.data(), Greeting[1]) || !SocketIO::WriteAll(Client, "\x05\x00", 2))
        return;
    unsigned char Request[4];
    if (!SocketIO::ReadExact(Client, reinterpret_cast<char*>(Request), 4) || Request[0] != 5 || Request[1] != 1)
        return;
    QByteArray Host;
    if (Request[3] == 1) {
        char Address[4];
        if (!SocketIO::ReadExact(Client, Address, 4))
            return;
        Host = QByteArray(INET_ADDRSTRLEN, 0);
        inet_ntop(AF_INET, Address, Host.data(), INET_ADDRSTRLEN);
        Host.truncate(qstrlen(Host.constData()));
    } else if (Request[3] == 3) {
        unsigned char Length;
        if (!SocketIO::ReadExact(Client, reinterpret_cast<char*>(&Length), 1))
            return;
        Host = QByteArray(Length, 0);
        if (!SocketIO::ReadExact(Client, Host.data(), Length))
            return;
    } else {
        return;
    }
    char PortBytes[2];
    if (!SocketIO::ReadExact(Client, PortBytes, 2))
        return;
    const int Target = OpenTarget(Host, qFromBigEndian<quint16>(PortBytes));
    // Reply: version, status (0 granted, 5 refused), reserved, IPv4 0.0.0.0:0.
    QByteArray Reply("\x05\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10);
    Reply[1] = char(Target >= 0 ? 0 : 5);
    AnswerAndRelay(Client, Target, Reply);
}
