#include "engine/crawl/FetchAhead.h"

#include "http/HTTPClientUnit.h"
#include "http/TransferHub.h"

#include <algorithm>

namespace {

constexpr int TransfersPerConnection = 4;

} // namespace

TTransferLimits TTransferLimits::ForConnections(int Connections)
{
    const int HostConnections = std::max(Connections, 1);
    return { HostConnections, HostConnections == 1 ? 1 : HostConnections * TransfersPerConnection };
}

TFetchAhead::TFetchAhead(THTTPClient& Model, const TTransferLimits& Limits, const TFetchSettings& Settings)
    : FModel(Model)
    , FSettings(Settings)
    , FWindow(std::max(Limits.Window, 1))
{
    FSettings.Stopped = [this, Stopped = Settings.Stopped] { return FStop.load() || Stopped(); };
    // The bound on connections to a host is the hub's, fixed here for all.
    const auto Hub = std::make_shared<TTransferHub>(Limits.HostConnections);
    for (int I = 0; I < FWindow; ++I) {
        FClients.push_back(Model.Sibling(Hub));
        FClients.back()->AddAbortFlag(&FStop);
        FClients.back()->SetRecordSentCookies(true);
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
        FSlots[FQueued].Request = std::move(Request);
        FPending.push_back(FQueued++);
    }
    FWorkQueued.notify_one();
}

TFetchResult TFetchAhead::Take(int Index, const TLineSink& Log)
{
    std::unique_lock<std::mutex> Lock(FMutex);
    bool Logged = false; // once a line is in the log, the result is the one
    for (;;) {
        TSlot& Slot = FSlots.at(Index);
        const bool HasNews = Slot.Done || !Slot.Lines.isEmpty();
        if (HasNews && !Logged && !FModel.WouldSendSameCookies(Slot.Sent)) {
            const TFetchRequest Request = Slot.Request;
            if (Slot.Done)
                FSlots.erase(Index);
            else
                Slot.Abandoned = true;
            Lock.unlock();
            return FetchURL(FModel, Request, FSettings, Log);
        }
        if (!Slot.Lines.isEmpty()) {
            const QStringList Lines = std::exchange(Slot.Lines, {});
            Logged = true;
            Lock.unlock();
            for (const QString& Line : Lines)
                Log(Line);
            Lock.lock();
            continue;
        }
        if (Slot.Done)
            break;
        FSlotChanged.wait(Lock);
    }
    TSlot Slot = std::move(FSlots.at(Index));
    FSlots.erase(Index);
    Lock.unlock();
    if (Slot.Escaped)
        std::rethrow_exception(Slot.Escaped);
    return std::move(Slot.Result);
}

void TFetchAhead::Record(int Index, THTTPClient& Client, const QString* Line)
{
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        TSlot& Slot = FSlots.at(Index);
        Slot.Sent += Client.TakeSentCookies();
        if (Line)
            Slot.Lines.append(*Line);
    }
    FSlotChanged.notify_all();
}

void TFetchAhead::Work(THTTPClient& Client)
{
    for (;;) {
        std::unique_lock<std::mutex> Lock(FMutex);
        FWorkQueued.wait(Lock, [&] { return FStop || !FPending.empty(); });
        if (FStop)
            return;
        const int Index = FPending.front();
        FPending.pop_front();
        const TFetchRequest Request = FSlots.at(Index).Request;
        Lock.unlock();

        TFetchResult Result;
        std::exception_ptr Escaped;
        try {
            Result = FetchURL(
                Client, Request, FSettings, [&](const QString& Line) { Record(Index, Client, &Line); });
        } catch (...) {
            Escaped = std::current_exception();
        }
        Record(Index, Client, nullptr);
        Lock.lock();
        TSlot& Slot = FSlots.at(Index);
        if (Slot.Abandoned) {
            FSlots.erase(Index);
            Lock.unlock();
            continue; // Result goes here, outside the lock
        }
        Slot.Result = std::move(Result);
        Slot.Escaped = Escaped;
        Slot.Done = true;
        Lock.unlock();
        FSlotChanged.notify_all();
    }
}
