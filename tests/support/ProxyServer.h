#pragma once

#include "support/SocketServer.h"

#include <QByteArray>
#include <QList>
#include <mutex>

// A small proxy on 127.0.0.1 speaking the real protocol of its kind: an HTTP
// proxy (CONNECT tunnels and absolute-form requests), SOCKS 4 or SOCKS 5
// (no authentication). Records where each connection asked to go.
class ProxyServer : public SocketServer {
public:
    enum class Kind { HTTP, SOCKS4, SOCKS5 };

    explicit ProxyServer(Kind ProxyKind);
    ~ProxyServer() override;

    // "host:port" of each target, in order; for HTTP the request line too.
    QList<QByteArray> Targets() const;
    // The head of each request the HTTP proxy received.
    QList<QByteArray> RequestHeads() const;

protected:
    void Serve(int Socket, int ConnectionId) override;

private:
    void ServeHttp(int Client);
    void ServeSocks4(int Client);
    void ServeSocks5(int Client);
    // Connects to the target and records it; -1 when it cannot be reached.
    int OpenTarget(const QByteArray& Host, quint16 Port);
    // Sends FirstBytes to the target, then copies both ways; closes Target.
    void RelayTo(int Client, int Target, const QByteArray& FirstBytes);
    // Sends the handshake answer to the client, then relays when Target is open.
    void AnswerAndRelay(int Client, int Target, const QByteArray& Answer);

    Kind FKind;
    mutable std::mutex FDataMutex;
    QList<QByteArray> FTargets;
    QList<QByteArray> FRequestHeads;
};
