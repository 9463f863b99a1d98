#pragma once

#include "http/CurlHandles.h"
#include "http/SocketRegistry.h"

#include <condition_variable>
#include <functional>
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

// One thread that drives the transfers of one or several transports through
// one multi handle, so that they share its connections: HTTP/2 carries them
// side by side on one connection, HTTP/1.1 opens up to HostConnections per
// host (0: no bound) and queues the rest. The callbacks of each transfer run
// on the hub's thread while the transport that runs it waits.
class TTransferHub {
public:
    explicit TTransferHub(int HostConnections = 0);
    ~TTransferHub();
    TTransferHub(const TTransferHub&) = delete;
    TTransferHub& operator=(const TTransferHub&) = delete;

    TSocketRegistry& Sockets() { return FSockets; }
    // Runs Easy to its end; Result is libcurl's code when it ended on its own.
    TTransferEnd Run(CURL* Easy, const TTransferWatch& Watch, CURLcode& Result);

private:
    struct TJob {
        TJob(CURL* AEasy, const TTransferWatch* AWatch)
            : Easy(AEasy)
            , Watch(AWatch)
        {
        }
        CURL* Easy;
        const TTransferWatch* Watch;
        TTransferEnd End = TTransferEnd::Running;
        CURLcode Result = CURLE_OK;
        std::condition_variable Finished; // its transport waits for it alone
    };
    void Loop();
    void Finish(TJob& Job, TTransferEnd End, CURLcode Result);

    // Declared first: the connections of the multi handle call back into it.
    TSocketRegistry FSockets;
    TCurlMultiHandle FMultiHandle;
    CURLM* FMulti = nullptr;
    std::mutex FMutex;
    std::vector<TJob*> FIncoming;
    std::vector<TJob*> FActive; // the hub thread's own
    bool FStop = false;
    std::thread FThread;
};
