#include "http/TransferHub.h"

#include "http/HTTPErrors.h"

#include <algorithm>

TTransferHub::TTransferHub(int HostConnections)
    : FMultiHandle(curl_multi_init())
    , FMulti(FMultiHandle.get())
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
}

TTransferEnd TTransferHub::Run(CURL* Easy, const TTransferWatch& Watch, CURLcode& Result)
{
    TJob Job(Easy, &Watch);
    std::unique_lock<std::mutex> Lock(FMutex);
    FIncoming.push_back(&Job);
    curl_multi_wakeup(FMulti);
    Job.Finished.wait(Lock, [&Job] { return Job.End != TTransferEnd::Running; });
    Result = Job.Result;
    return Job.End;
}

void TTransferHub::Finish(TJob& Job, TTransferEnd End, CURLcode Result)
{
    // Removing an unfinished transfer closes its connection (or its stream).
    curl_multi_remove_handle(FMulti, Job.Easy);
    FActive.erase(std::remove(FActive.begin(), FActive.end(), &Job), FActive.end());
    // Notified under the lock: once End is set, the job may go at any time.
    const std::lock_guard<std::mutex> Lock(FMutex);
    Job.Result = Result;
    Job.End = End;
    Job.Finished.notify_one();
}

void TTransferHub::Loop()
{
    for (;;) {
        {
            const std::lock_guard<std::mutex> Lock(FMutex);
            if (FStop)
                break;
            for (TJob* Job : FIncoming) {
                curl_multi_add_handle(FMulti, Job->Easy);
                FActive.push_back(Job);
            }
            FIncoming.clear();
        }
        int Running = 0;
        if (curl_multi_perform(FMulti, &Running) != CURLM_OK) {
            while (!FActive.empty())
                Finish(*FActive.front(), TTransferEnd::Done, CURLE_OUT_OF_MEMORY);
            continue;
        }
        int Left = 0;
        while (CURLMsg* Message = curl_multi_info_read(FMulti, &Left)) {
            if (Message->msg != CURLMSG_DONE)
                continue;
            const auto Job = std::find_if(FActive.begin(), FActive.end(),
                [Message](const TJob* Candidate) { return Candidate->Easy == Message->easy_handle; });
            if (Job != FActive.end())
                Finish(**Job, TTransferEnd::Done, Message->data.result);
        }
        long long WaitMs = PollSliceMs;
        const std::vector<TJob*> Active = FActive;
        for (TJob* Job : Active)
            if (const TTransferEnd End = (*Job->Watch)(WaitMs); End != TTransferEnd::Running)
                Finish(*Job, End, CURLE_OK);
        curl_multi_poll(FMulti, nullptr, 0, int(std::max(WaitMs, 0LL)), nullptr);
    }
}
