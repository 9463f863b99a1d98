#include "http/TransferHub.h"

#include "http/HTTPErrors.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

namespace {

long long SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TTransferHub::TTransferHub(int HostConnections, THubClock Clock)
    : FMultiHandle(curl_multi_init())
    , FMulti(FMultiHandle.get())
    , FClock(Clock ? std::move(Clock) : THubClock(SteadyMs))
{
    if (!FMulti)
        throw EHTTPTransportError(QStringLiteral("The HTTP transport could not be created"));
    curl_multi_setopt(FMulti, CURLMOPT_MAXCONNECTS, KeptConnections);
    if (HostConnections > 0)
        curl_multi_setopt(FMulti, CURLMOPT_MAX_HOST_CONNECTIONS, long(HostConnections));
    FThread = std::thread([this] { Loop(); });
}

TTransferHub::~TTransferHub()
{
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FStop = true;
    }
    curl_multi_wakeup(FMulti);
    FThread.join();
    for (const auto& Job : FActive)
        curl_multi_remove_handle(FMulti, Job->Easy);
}

void TTransferHub::Start(CURL* Easy, TTransferWatch Watch, TTransferDone OnEnd)
{
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FIncoming.push_back(std::make_unique<TJob>(TJob { Easy, std::move(Watch), std::move(OnEnd) }));
    }
    curl_multi_wakeup(FMulti);
}

TTransferEnd TTransferHub::Run(CURL* Easy, const TTransferWatch& Watch, CURLcode& Result)
{
    std::mutex Mutex;
    std::condition_variable Finished;
    TTransferEnd End = TTransferEnd::Running;
    Start(Easy, Watch, [&](TTransferEnd AEnd, CURLcode AResult) {
        // Notified under the lock: once End is set, this frame may go.
        const std::lock_guard<std::mutex> Lock(Mutex);
        Result = AResult;
        End = AEnd;
        Finished.notify_one();
    });
    std::unique_lock<std::mutex> Lock(Mutex);
    Finished.wait(Lock, [&End] { return End != TTransferEnd::Running; });
    return End;
}

void TTransferHub::After(long long DelayMs, std::function<bool()> CutShort, std::function<void()> Fire)
{
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FTimers.push_back({ FClock() + std::max(DelayMs, 0LL), std::move(CutShort), std::move(Fire) });
    }
    curl_multi_wakeup(FMulti);
}

void TTransferHub::Finish(CURL* Easy, TTransferEnd End, CURLcode Result)
{
    const auto Found = std::find_if(
        FActive.begin(), FActive.end(), [Easy](const auto& Candidate) { return Candidate->Easy == Easy; });
    if (Found == FActive.end())
        return;
    // Removing an unfinished transfer closes its connection (or its stream).
    curl_multi_remove_handle(FMulti, Easy);
    const std::unique_ptr<TJob> Job = std::move(*Found);
    FActive.erase(Found);
    // Last: the handler may start the next transfer on the same handle.
    Job->OnEnd(End, Result);
}

void TTransferHub::FireTimers(long long& WaitMs)
{
    std::vector<TTimer> Timers;
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        if (FTimers.empty())
            return;
        Timers.swap(FTimers);
    }
    // Asked outside the lock: a CutShort may wait on its caller's own lock
    // while that caller adds a timer or starts a transfer.
    const long long Now = FClock();
    const auto Waiting = std::stable_partition(Timers.begin(), Timers.end(),
        [Now](const TTimer& Timer) { return Timer.DueMs > Now && !(Timer.CutShort && Timer.CutShort()); });
    std::vector<TTimer> Due(std::make_move_iterator(Waiting), std::make_move_iterator(Timers.end()));
    Timers.erase(Waiting, Timers.end());
    for (const TTimer& Timer : Timers)
        WaitMs = std::min(WaitMs, Timer.DueMs - Now);
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FTimers.insert(
            FTimers.begin(), std::make_move_iterator(Timers.begin()), std::make_move_iterator(Timers.end()));
    }
    for (TTimer& Timer : Due)
        Timer.Fire();
}

void TTransferHub::TakeIncoming()
{
    const std::lock_guard<std::mutex> Lock(FMutex);
    for (auto& Job : FIncoming) {
        curl_multi_add_handle(FMulti, Job->Easy);
        FActive.push_back(std::move(Job));
    }
    FIncoming.clear();
}

void TTransferHub::Loop()
{
    for (;;) {
        {
            const std::lock_guard<std::mutex> Lock(FMutex);
            if (FStop)
                break;
        }
        TakeIncoming();
        int Running = 0;
        if (curl_multi_perform(FMulti, &Running) != CURLM_OK) {
            while (!FActive.empty())
                Finish(FActive.front()->Easy, TTransferEnd::Done, CURLE_OUT_OF_MEMORY);
            continue;
        }
        int Left = 0;
        while (CURLMsg* Message = curl_multi_info_read(FMulti, &Left))
            if (Message->msg == CURLMSG_DONE)
                Finish(Message->easy_handle, TTransferEnd::Done, Message->data.result);
        long long WaitMs = PollSliceMs;
        std::vector<std::pair<CURL*, TTransferEnd>> Stopped;
        for (const auto& Job : FActive)
            if (const TTransferEnd End = Job->Watch(WaitMs); End != TTransferEnd::Running)
                Stopped.emplace_back(Job->Easy, End);
        for (const auto& [Easy, End] : Stopped)
            Finish(Easy, End, CURLE_OK);
        FireTimers(WaitMs);
        curl_multi_poll(FMulti, nullptr, 0, int(std::max(WaitMs, 0LL)), nullptr);
    }
}
