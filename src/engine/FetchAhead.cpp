#include "FetchAhead.h"

#include "http/HTTPClientUnit.h"

TFetchAhead::TFetchAhead(
    THTTPClient& Model, int Transfers, int HostConnections, const TFetchSettings& Settings)
    : FSettings(Settings)
{
    FSettings.Stopped = [this, Stopped = Settings.Stopped] { return FStop.load() || Stopped(); };
    for (int I = 0; I < Transfers; ++I) {
        FClients.push_back(Model.Sibling(HostConnections));
        FClients.back()->AddAbortFlag(&FStop);
    }
    try {
        for (const auto& Client : FClients)
            FWorkers.emplace_back([this, &Client] { Work(*Client); });
    } catch (...) {
        StopWorkers(); // the system would not give another thread
        throw;
    }
}

TFetchAhead::~TFetchAhead()
{
    StopWorkers();
}

void TFetchAhead::StopWorkers()
{
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FStop = true;
    }
    FWorkQueued.notify_all();
    for (std::thread& Worker : FWorkers)
        Worker.join();
}

void TFetchAhead::Queue(TFetchRequest Request)
{
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FPending.emplace_back(FQueued++, std::move(Request));
    }
    FWorkQueued.notify_one();
}

TFetchResult TFetchAhead::Take(int Index)
{
    std::unique_lock<std::mutex> Lock(FMutex);
    FResultStored.wait(Lock, [&] { return FDone.count(Index) > 0; });
    TDone Done = std::move(FDone.at(Index));
    FDone.erase(Index);
    Lock.unlock();
    if (Done.Escaped)
        std::rethrow_exception(Done.Escaped);
    return std::move(Done.Result);
}

void TFetchAhead::Work(THTTPClient& Client)
{
    for (;;) {
        std::unique_lock<std::mutex> Lock(FMutex);
        FWorkQueued.wait(Lock, [&] { return FStop || !FPending.empty(); });
        if (FStop)
            return;
        auto [Index, Request] = std::move(FPending.front());
        FPending.pop_front();
        Lock.unlock();

        TDone Done;
        try {
            Done.Result = FetchURL(Client, Request, FSettings);
        } catch (...) {
            Done.Escaped = std::current_exception();
        }
        Lock.lock();
        FDone.emplace(Index, std::move(Done));
        Lock.unlock();
        FResultStored.notify_one();
    }
}
