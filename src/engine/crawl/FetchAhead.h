#pragma once

#include "engine/crawl/URLFetch.h"

#include "http/SentCookies.h"

#include <QStringList>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class THTTPClient;
class TTransferHub;

// How many transfers a crawl runs at once.
struct TTransferLimits {
    // Connections open to one host at once.
    int HostConnections = 1;
    // URLs of the list in flight at once, the one whose turn it is included.
    int Window = 1;

    // From the run's "Connections": one is one request at a time; more fetch
    // a few URLs per connection ahead, so that HTTP/2 carries them side by
    // side and a slow one holds up none of the rest.
    static TTransferLimits ForConnections(int Connections);
};

// Fetches the URLs of a crawl ahead of their turn, Limits.Window at once,
// each with a client made from Model; one hub thread drives them all, and
// their retry pauses are its timers. The clients share cookies, TLS sessions
// and kept connections, at most Limits.HostConnections to a host (over
// HTTP/2 the transfers share one). Requests are queued in list order
// and started in that order; the crawl takes each result when the URL's turn
// comes.
// Destroying it ends the transfers still running and drops every result not
// taken, with its temporary file.
class TFetchAhead {
public:
    TFetchAhead(THTTPClient& Model, const TTransferLimits& Limits, const TFetchSettings& Settings);
    ~TFetchAhead();
    TFetchAhead(const TFetchAhead&) = delete;
    TFetchAhead& operator=(const TFetchAhead&) = delete;

    int Window() const { return FWindow; }
    // A host's own minimum gap between the starts of its requests, over all
    // connections (and Model's own requests); the gap kept is the larger of
    // it and the run's wait.
    void SetHostDelay(const QString& Host, int Ms);
    // How many requests were queued; the next one gets this index.
    int Queued() const { return FQueued; }
    void Queue(TFetchRequest Request);
    // Waits for the result of the request with index Index (queued before),
    // handing its log lines to Log: those from before its turn at once, the
    // rest as they happen. A request that went out with other cookies than
    // it would carry now (an earlier URL's reply set one) is made again
    // with Model, before any of its lines is logged.
    TFetchResult Take(int Index, const TLineSink& Log);

private:
    struct TSlot {
        TFetchRequest Request;
        QStringList Lines; // not yet logged
        QList<TSentCookies> Sent; // of the requests made so far
        bool Done = false;
        bool Abandoned = false; // fetched again at its turn: dropped when done
        TFetchResult Result;
        std::exception_ptr Escaped;
    };
    // Starts pending requests while a client is free.
    void StartPending();
    // Notes what Client sent and stores Line for the URL of slot Index.
    void Record(int Index, THTTPClient& Client, const QString* Line);
    // Fills slot Index (on the hub's thread) and frees Client.
    void Finished(int Index, THTTPClient& Client, TFetchResult Result, std::exception_ptr Escaped);

    THTTPClient& FModel;
    TFetchSettings FSettings;
    int FWindow;
    std::atomic<bool> FStop { false };
    std::mutex FMutex;
    std::condition_variable FSlotChanged; // the crawl waits for it
    std::deque<int> FPending;
    std::map<int, TSlot> FSlots;
    int FQueued = 0;
    int FRunning = 0; // fetches started and not yet finished
    std::shared_ptr<TTransferHub> FHub;
    std::vector<std::unique_ptr<THTTPClient>> FClients;
    std::vector<THTTPClient*> FFreeClients;
};
