#pragma once

#include <QtGlobal>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

// The IPv4 loopback address with a port (0: let the system choose).
inline sockaddr_in LoopbackAddress(quint16 Port = 0)
{
    sockaddr_in Address {};
    Address.sin_family = AF_INET;
    Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Address.sin_port = htons(Port);
    return Address;
}

// A loopback port that was free a moment ago and that nothing listens on.
inline quint16 UnusedLoopbackPort()
{
    const int Socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in Address = LoopbackAddress();
    socklen_t Length = sizeof Address;
    const bool Found = Socket >= 0
        && ::bind(Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address) == 0
        && ::getsockname(Socket, reinterpret_cast<sockaddr*>(&Address), &Length) == 0;
    if (Socket >= 0)
        ::close(Socket);
    if (!Found)
        throw std::runtime_error("no free loopback port");
    return ntohs(Address.sin_port);
}
