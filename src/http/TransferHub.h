#pragma once

#include "http/CurlHandles.h"
#include "http/SocketRegistry.h"

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Connections a multi handle keeps open at once, across hosts.
constexpr long KeptConnections = 16;
// Longest wait inside one poll, so that a transfer's watcher (Break, the
// read time-out) gets a look often.
constexpr long long PollSliceMs = 100;

// How a transfer ended: on its own, or stopped by its watcher.
enum class TTransferEnd { Running, Done, ReadTimeout, TimeLimit, Aborted };

// Decides, between polls, whether a transfer goes on (Running) and lowers
// WaitMs to when it next needs a look.
using TTransferWatch = std::function<TTransferEnd(long long& WaitMs)>;
// Told how a transfer ended; Result is libcurl's code when it ended on its own.
using TTransferDone = std::function<void(TTransferEnd End, CURLcode Result)>;
// Milliseconds on a clock that only moves forward.
using THubClock = std::function<long long()>;

// One thread that drives the transfers of one or several transports through
// one multi handle, so that they share its connections: HTTP/2 carries them
// side by side on one connection, HTTP/1.1 opens up to HostConnections per
// host (0: no bound) and queues the rest. The callbacks of each transfer, its
// watcher, its end handler and the hub's timers all run on the hub's thread,
// one at a time: they must not block, or every transfer waits.
// Destroying the hub drops the transfers still running (their end handlers
// are not called) and the timers not yet due.
class TTransferHub {
public:
    explicit TTransferHub(int HostConnections = 0, THubClock Clock = {});
    ~TTransferHub();
    TTransferHub(const TTransferHub&) = delete;
    TTransferHub& operator=(const TTransferHub&) = delete;

    TSocketRegistry& Sockets() { return FSockets; }
    // Starts Easy from any thread; OnEnd is told once it ends.
    void Start(CURL* Easy, TTransferWatch Watch, TTransferDone OnEnd);
    // Runs Easy to its end and waits for it (a start for a lone caller).
    TTransferEnd Run(CURL* Easy, const TTransferWatch& Watch, CURLcode& Result);
    // Runs Fire once DelayMs have passed on the hub's clock, or at the first
    // look after CutShort turns true (empty: never).
    void After(long long DelayMs, std::function<bool()> CutShort, std::function<void()> Fire);

private:
    struct TJob {
        CURL* Easy;
        TTransferWatch Watch;
        TTransferDone OnEnd;
    };
    struct TTimer {
        long long DueMs;
        std::function<bool()> CutShort;
        std::function<void()> Fire;
    };
    void Loop();
    void TakeIncoming();
    void Finish(CURL* Easy, TTransferEnd End, CURLcode Result);
    // Fires the timers that are due and lowers WaitMs to the next one.
    void FireTimers(long long& WaitMs);

    // Declared first: the connections of the multi handle call back into it.
    TSocketRegistry FSockets;
    TCurlMultiHandle FMultiHandle;
    CURLM* FMulti = nullptr;
    THubClock FClock;
    std::mutex FMutex;
    std::vector<std::unique_ptr<TJob>> FIncoming;
    std::vector<TTimer> FTimers;
    std::vector<std::unique_ptr<TJob>> FActive; // the hub thread's own
    bool FStop = false;
    std::thread FThread;
};
