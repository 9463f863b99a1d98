#include "http/SocketRegistry.h"

#include <algorithm>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int LocalPortOf(curl_socket_t Socket)
{
    sockaddr_storage Address {};
    socklen_t Size = sizeof(Address);
    if (getsockname(Socket, reinterpret_cast<sockaddr*>(&Address), &Size) != 0)
        return 0;
    if (Address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(Address).sin_port);
    if (Address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(Address).sin6_port);
    return 0;
}

} // namespace

void TSocketRegistry::Attach(CURL* Easy)
{
    curl_easy_setopt(Easy, CURLOPT_OPENSOCKETFUNCTION, &TSocketRegistry::OnOpen);
    curl_easy_setopt(Easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(Easy, CURLOPT_CLOSESOCKETFUNCTION, &TSocketRegistry::OnClose);
    curl_easy_setopt(Easy, CURLOPT_CLOSESOCKETDATA, this);
}

quint64 TSocketRegistry::BytesReceived(int LocalPort) const
{
    const std::lock_guard<std::mutex> Lock(FMutex);
    for (const curl_socket_t Socket : FSockets) {
        if (LocalPort == 0 || LocalPortOf(Socket) != LocalPort)
            continue;
        tcp_info Info {};
        socklen_t Size = sizeof(Info);
        if (getsockopt(Socket, IPPROTO_TCP, TCP_INFO, &Info, &Size) == 0
            && Size >= offsetof(tcp_info, tcpi_bytes_received) + sizeof(Info.tcpi_bytes_received))
            return Info.tcpi_bytes_received;
    }
    return 0;
}

curl_socket_t TSocketRegistry::OnOpen(void* Self, curlsocktype, curl_sockaddr* Address)
{
    auto* Registry = static_cast<TSocketRegistry*>(Self);
    const curl_socket_t Socket = ::socket(Address->family, Address->socktype, Address->protocol);
    if (Socket != CURL_SOCKET_BAD) {
        const std::lock_guard<std::mutex> Lock(Registry->FMutex);
        Registry->FSockets.push_back(Socket);
    }
    return Socket;
}

int TSocketRegistry::OnClose(void* Self, curl_socket_t Socket)
{
    auto* Registry = static_cast<TSocketRegistry*>(Self);
    {
        const std::lock_guard<std::mutex> Lock(Registry->FMutex);
        auto& Sockets = Registry->FSockets;
        Sockets.erase(std::remove(Sockets.begin(), Sockets.end(), Socket), Sockets.end());
    }
    return ::close(Socket);
}
