#pragma once

#include "URLFetch.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class THTTPClient;

// Fetches the URLs of a crawl ahead of their turn, Transfers at once, each
// on a thread with a client made from Model. The clients share cookies, TLS
// sessions and kept connections, at most HostConnections to a host (over
// HTTP/2 the transfers share one). Requests are queued in list order and
// started in that order; the crawl takes each result when the URL's turn
// comes.
// Destroying it ends the transfers still running and drops every result not
// taken, with its temporary file.
class TFetchAhead {
public:
    TFetchAhead(THTTPClient& Model, int Transfers, int HostConnections, const TFetchSettings& Settings);
    ~TFetchAhead();
    TFetchAhead(const TFetchAhead&) = delete;
    TFetchAhead& operator=(const TFetchAhead&) = delete;

    // How many requests were queued; the next one gets this index.
    int Queued() const { return FQueued; }
    void Queue(TFetchRequest Request);
    // Waits for the result of the request with index Index (queued before).
    TFetchResult Take(int Index);

private:
    struct TDone {
        TFetchResult Result;
        std::exception_ptr Escaped;
    };
    void Work(THTTPClient& Client);
    void StopWorkers();

    TFetchSettings FSettings;
    std::atomic<bool> FStop { false };
    std::mutex FMutex;
    std::condition_variable FWorkQueued; // workers wait for it, one woken a request
    std::condition_variable FResultStored; // the crawl waits for it
    std::deque<std::pair<int, TFetchRequest>> FPending;
    std::map<int, TDone> FDone;
    int FQueued = 0;
    std::vector<std::unique_ptr<THTTPClient>> FClients;
    std::vector<std::thread> FWorkers;
};
