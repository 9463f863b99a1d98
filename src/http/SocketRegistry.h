#pragma once

#include <QtGlobal>
#include <curl/curl.h>
#include <mutex>
#include <vector>

// The sockets that libcurl opens for one connection cache, so that a
// transfer can tell whether any byte arrived on its connection, also inside
// a header line that libcurl has not passed on yet. It lives as long as the
// cache whose connections call back into it.
class TSocketRegistry {
public:
    // Sets the open and close callbacks of Easy to this registry.
    void Attach(CURL* Easy);
    // Bytes received so far on the connection whose local port is
    // LocalPort (0 when none is known).
    quint64 BytesReceived(int LocalPort) const;

private:
    static curl_socket_t OnOpen(void* Self, curlsocktype Purpose, curl_sockaddr* Address);
    static int OnClose(void* Self, curl_socket_t Socket);

    mutable std::mutex FMutex;
    std::vector<curl_socket_t> FSockets;
};
