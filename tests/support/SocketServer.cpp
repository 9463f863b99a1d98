#include "support/SocketServer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

SocketServer::SocketServer()
{
    FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in Address {};
    Address.sin_family = AF_INET;
    Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Length = sizeof Address;
    if (FListener < 0 || ::bind(FListener, reinterpret_cast<sockaddr*>(&Address), sizeof Address) != 0
        || ::listen(FListener, 64) != 0
        || ::getsockname(FListener, reinterpret_cast<sockaddr*>(&Address), &Length) != 0) {
        if (FListener >= 0)
            ::close(FListener);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    FPort = ntohs(Address.sin_port);
}

SocketServer::~SocketServer()
{
    Stop();
}

void SocketServer::Start()
{
    FAcceptThread = std::thread([this] { AcceptLoop(); });
}

void SocketServer::AcceptLoop()
{
    while (!FStopping) {
        const int Socket = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
        if (Socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        const int One = 1;
        ::setsockopt(Socket, IPPROTO_TCP, TCP_NODELAY, &One, sizeof One);
        const int Id = ++FConnectionCount;
        std::lock_guard<std::mutex> Lock(FMutex);
        if (FStopping) {
            ::close(Socket);
            return;
        }
        FOpenSockets.insert(Socket);
        FConnectionThreads.emplace_back([this, Socket, Id] {
            Serve(Socket, Id);
            Untrack(Socket);
            ::close(Socket);
        });
    }
}

void SocketServer::Stop()
{
    {
        std::lock_guard<std::mutex> Lock(FMutex);
        if (FStopping.exchange(true))
            return;
        for (const int Socket : FOpenSockets)
            ::shutdown(Socket, SHUT_RDWR);
    }
    FStopSignal.notify_all();
    ::shutdown(FListener, SHUT_RDWR);
    if (FAcceptThread.joinable())
        FAcceptThread.join();
    for (std::thread& Thread : FConnectionThreads)
        Thread.join();
    ::close(FListener);
}

bool SocketServer::SleepUnlessStopping(int Ms)
{
    std::unique_lock<std::mutex> Lock(FMutex);
    return !FStopSignal.wait_for(Lock, std::chrono::milliseconds(Ms), [this] { return FStopping.load(); });
}

void SocketServer::Track(int Socket)
{
    std::lock_guard<std::mutex> Lock(FMutex);
    if (FStopping)
        ::shutdown(Socket, SHUT_RDWR);
    FOpenSockets.insert(Socket);
}

void SocketServer::Untrack(int Socket)
{
    std::lock_guard<std::mutex> Lock(FMutex);
    FOpenSockets.erase(Socket);
}

namespace SocketIO {

bool WriteAll(int Socket, const char* Data, qsizetype Size)
{
    while (Size > 0) {
        const ssize_t Sent = ::send(Socket, Data, size_t(Size), MSG_NOSIGNAL);
        if (Sent <= 0) {
            if (Sent < 0 && errno == EINTR)
                continue;
            return false;
        }
        Data += Sent;
        Size -= Sent;
    }
    return true;
}

bool ReadExact(int Socket, char* Data, qsizetype Size)
{
    while (Size > 0) {
        const ssize_t Received = ::recv(Socket, Data, size_t(Size), 0);
        if (Received <= 0) {
            if (Received < 0 && errno == EINTR)
                continue;
            return false;
        }
        Data += Received;
        Size -= Received;
    }
    return true;
}

int ConnectTo(const QByteArray& Host, quint16 Port)
{
    addrinfo Hints {};
    Hints.ai_family = AF_INET;
    Hints.ai_socktype = SOCK_STREAM;
    addrinfo* Found = nullptr;
    if (::getaddrinfo(Host.constData(), QByteArray::number(Port).constData(), &Hints, &Found) != 0)
        return -1;
    const int Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool Connected = Socket >= 0 && ::connect(Socket, Found->ai_addr, Found->ai_addrlen) == 0;
    ::freeaddrinfo(Found);
    if (!Connected && Socket >= 0)
        ::close(Socket);
    return Connected ? Socket : -1;
}

void Relay(int A, int B)
{
    pollfd Fds[2] = { { A, POLLIN, 0 }, { B, POLLIN, 0 } };
    char Buffer[16384];
    for (;;) {
        if (::poll(Fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (int I = 0; I < 2; ++I) {
            if (!(Fds[I].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t Received = ::recv(Fds[I].fd, Buffer, sizeof Buffer, 0);
            if (Received <= 0 || !WriteAll(Fds[1 - I].fd, Buffer, Received))
                return;
        }
    }
}

} // namespace SocketIO
