#pragma once

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

// A TCP server on 127.0.0.1 with an ephemeral port: one thread accepts, one
// thread serves each connection. Stop() (also run by the destructor) wakes
// every blocked socket call by shutting the sockets down and joins all
// threads, so no test can leave a thread behind.
class SocketServer {
public:
    SocketServer();
    virtual ~SocketServer();
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    quint16 Port() const { return FPort; }
    // Connections accepted so far.
    int ConnectionCount() const { return FConnectionCount; }
    void Stop();

protected:
    // Starts accepting; derived constructors call it once they are ready.
    void Start();
    // Serves one accepted connection; the socket is closed afterwards.
    virtual void Serve(int Socket, int ConnectionId) = 0;
    bool Stopping() const { return FStopping; }
    // Waits up to Ms or until Stop(); false when stopping.
    bool SleepUnlessStopping(int Ms);
    // Sockets the server opens itself, so that Stop() can wake them too.
    void Track(int Socket);
    void Untrack(int Socket);

private:
    void AcceptLoop();

    int FListener = -1;
    quint16 FPort = 0;
    std::atomic<int> FConnectionCount { 0 };
    std::atomic<bool> FStopping { false };
    std::thread FAcceptThread;
    std::mutex FMutex;
    std::condition_variable FStopSignal;
    std::set<int> FOpenSockets;
    std::vector<std::thread> FConnectionThreads;
};

// Blocking socket helpers for servers and proxies on loopback.
namespace SocketIO {
bool WriteAll(int Socket, const char* Data, qsizetype Size);
inline bool WriteAll(int Socket, const QByteArray& Bytes) { return WriteAll(Socket, Bytes.constData(), Bytes.size()); }
// Reads exactly Size bytes; false at end of stream or error.
bool ReadExact(int Socket, char* Data, qsizetype Size);
// Connects to a host name or address and port; -1 on failure.
int ConnectTo(const QByteArray& Host, quint16 Port);
// Copies bytes both ways until either side closes.
void Relay(int A, int B);
}
