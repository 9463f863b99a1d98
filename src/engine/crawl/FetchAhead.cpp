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
    // The bound on connections to a host is the hub's, fixed here for all.
    , FHub(std::make_shared<TTransferHub>(Limits.HostConnections))
{
    FSettings.Stopped = [this, Stopped = Settings.Stopped] { return FStop.load() || Stopped(); };
    for (int I = 0; I < FWindow; ++I) {
        FClients.push_back(Model.Sibling(FHub));
        FClients.back()->AddAbortFlag(&FStop);
        FClients.back()->SetRecordSentCookies(true);
        FFreeClients.push_back(FClients.back().get());
    }
}

TFetchAhead::~TFetchAhead()
{
    // Running transfers end at their next look, retry pauses at once.
    std::unique_lock<std::mutex> Lock(FMutex);
    FStop = true;
    FSlotChanged.wait(Lock, [this] { return FRunning == 0; });
}

void TFetchAhead::SetHostDelay(const QString& Host, int Ms)
{
    FModel.SetHostDelay(Host, Ms);
}

void TFetchAhead::Queue(TFetchRequest Request)
{
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FSlots[FQueued].Request = std::move(Request);
        FPending.push_back(FQueued++);
    }
    StartPending();
}

void TFetchAhead::StartPending()
{
    for (;;) {
        std::unique_lock<std::mutex> Lock(FMutex);
        if (FStop || FPending.empty() || FFreeClients.empty())
            return;
        const int Index = FPending.front();
        FPending.pop_front();
        THTTPClient& Client = *FFreeClients.back();
        FFreeClients.pop_back();
        const TFetchRequest Request = FSlots.at(Index).Request;
        ++FRunning;
        Lock.unlock();
        StartFetchURL(
            Client, *FHub, Request, FSettings,
            [this, Index, &Client](const QString& Line) { Record(Index, Client, &Line); },
            [this, Index, &Client](TFetchResult Result, std::exception_ptr Escaped) {
                Finished(Index, Client, std::move(Result), Escaped);
            });
    }
}

void TFetchAhead::Finished(int Index, THTTPClient& Client, TFetchResult Result, std::exception_ptr Escaped)
{
    Record(Index, Client, nullptr);
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FFreeClients.push_back(&Client);
        TSlot& Slot = FSlots.at(Index);
        if (Slot.Abandoned) {
            FSlots.erase(Index);
        } else {
            Slot.Result = std::exchange(Result, {});
            Slot.Escaped = Escaped;
            Slot.Done = true;
        }
    }
    Result = {}; // an abandoned one goes here, with its temporary file, outside the lock
    FSlotChanged.notify_all();
    StartPending();
    // Last: once none runs, the destructor may go on.
    const std::lock_guard<std::mutex> Lock(FMutex);
    --FRunning;
    FSlotChanged.notify_all();
}

TFetchResult TFetchAhead::Take(int Index, const TLineSink& Log)
{
    std::unique_lock<std::mutex> Lock(FMutex);
    bool Logged = false; // once a line is in the log, the result is the one
    for (;;) {
        TSlot& Slot = FSlots.at(Index);
        const bool HasNews = Slot.Done || !Slot.Lines.isEmpty();
        if (HasNews && !Logged && !FModel.WouldSendSameCookies(Slot.Sent)) {
            TFetchRequest Request = Slot.Request;
            // The abandoned fetch may still be writing the part file.
            if (!Slot.Done)
                Request.PartFile.clear();
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
