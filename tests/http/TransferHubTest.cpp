#include "ClientTestSupport.h"

#include "http/TransferHub.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// Waits, within a generous bound, until Done holds.
template <typename Condition>
bool Eventually(std::mutex& Mutex, std::condition_variable& Changed, Condition Done)
{
    std::unique_lock<std::mutex> Lock(Mutex);
    return Changed.wait_for(Lock, std::chrono::seconds(10), Done);
}

size_t IgnoreBody(char*, size_t Size, size_t Count, void*)
{
    return Size * Count;
}

// A bare handle that fetches URL and drops the body.
TCurlEasyHandle EasyFor(const QString& URL)
{
    TCurlEasyHandle Easy(curl_easy_init());
    curl_easy_setopt(Easy.get(), CURLOPT_URL, URL.toUtf8().constData());
    curl_easy_setopt(Easy.get(), CURLOPT_WRITEFUNCTION, &IgnoreBody);
    curl_easy_setopt(Easy.get(), CURLOPT_NOSIGNAL, 1L);
    return Easy;
}

TTransferEnd Running(long long&)
{
    return TTransferEnd::Running;
}

TEST(TransferHubTest, StartedTransfersRunSideBySideAndEndOnTheHubThread)
{
    ScriptedHttpServer Server;
    Server.SetFallback([](const RecordedRequest&) {
        ScriptedReply Slow = ScriptedReply::Ok("slow");
        Slow.DelayMs = 300;
        return Slow;
    });
    TTransferHub Hub;
    std::vector<TCurlEasyHandle> Handles;
    std::mutex Mutex;
    std::condition_variable Changed;
    std::vector<std::pair<CURLcode, std::thread::id>> Ends;
    for (int I = 0; I < 3; ++I) {
        Handles.push_back(EasyFor(Server.Url("/s")));
        Hub.Start(Handles.back().get(), Running, [&](TTransferEnd End, CURLcode Result) {
            EXPECT_EQ(End, TTransferEnd::Done);
            const std::lock_guard<std::mutex> Lock(Mutex);
            Ends.emplace_back(Result, std::this_thread::get_id());
            Changed.notify_all();
        });
    }
    ASSERT_TRUE(Eventually(Mutex, Changed, [&] { return Ends.size() == 3; }));
    for (const auto& [Result, Thread] : Ends) {
        EXPECT_EQ(Result, CURLE_OK);
        EXPECT_NE(Thread, std::this_thread::get_id());
    }
    // Start returns at once: the three went out together, one connection each.
    std::set<int> Connections;
    for (const RecordedRequest& Request : Server.Requests())
        Connections.insert(Request.ConnectionId);
    EXPECT_EQ(Connections.size(), 3u);
}

TEST(TransferHubTest, AnEndHandlerStartsTheNextTransferOnItsOwnHandle)
{
    ScriptedHttpServer Server;
    Server.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("x"); });
    TTransferHub Hub;
    const TCurlEasyHandle Easy = EasyFor(Server.Url("/chain"));
    std::mutex Mutex;
    std::condition_variable Changed;
    int Left = 3;
    TTransferDone Next;
    Next = [&](TTransferEnd, CURLcode) {
        const std::lock_guard<std::mutex> Lock(Mutex);
        if (--Left > 0)
            Hub.Start(Easy.get(), Running, Next);
        Changed.notify_all();
    };
    Hub.Start(Easy.get(), Running, Next);
    ASSERT_TRUE(Eventually(Mutex, Changed, [&] { return Left == 0; }));
    EXPECT_EQ(Server.RequestCount(), 3);
}

TEST(TransferHubTest, AWatcherThatStopsATransferEndsItWithItsReason)
{
    ScriptedHttpServer Server;
    Server.SetFallback([](const RecordedRequest&) { return ScriptedReply::Silence(); });
    TTransferHub Hub;
    const TCurlEasyHandle Easy = EasyFor(Server.Url("/quiet"));
    CURLcode Result = CURLE_OK;
    const TTransferEnd End = Hub.Run(
        Easy.get(),
        [&](long long&) { return Server.RequestCount() > 0 ? TTransferEnd::Aborted : TTransferEnd::Running; },
        Result);
    EXPECT_EQ(End, TTransferEnd::Aborted);
    EXPECT_EQ(Server.RequestCount(), 1);
}

// Timers go by the hub's clock: here one that moves only when told.
TEST(TransferHubTest, TimersFireInTheirOrderOnceTheClockPassesThemOrWhenCutShort)
{
    std::atomic<long long> Now { 1000 };
    TTransferHub Hub(0, [&Now] { return Now.load(); });
    std::mutex Mutex;
    std::condition_variable Changed;
    std::vector<int> Fired;
    std::atomic<bool> Cut { false };
    const auto Note = [&](int Which) {
        return [&, Which] {
            const std::lock_guard<std::mutex> Lock(Mutex);
            Fired.push_back(Which);
            Changed.notify_all();
        };
    };
    Hub.After(500, {}, Note(2));
    Hub.After(200, {}, Note(1));
    Hub.After(
        60000, [&Cut] { return Cut.load(); }, Note(3));
    Hub.After(0, {}, Note(0));
    ASSERT_TRUE(Eventually(Mutex, Changed, [&] { return Fired.size() == 1; }));
    Now = 1200;
    ASSERT_TRUE(Eventually(Mutex, Changed, [&] { return Fired.size() == 2; }));
    Now = 1700;
    ASSERT_TRUE(Eventually(Mutex, Changed, [&] { return Fired.size() == 3; }));
    Cut = true;
    ASSERT_TRUE(Eventually(Mutex, Changed, [&] { return Fired.size() == 4; }));
    EXPECT_EQ(Fired, std::vector<int>({ 0, 1, 2, 3 }));
}

// Requests of several siblings at once, each held a while by the server:
// the connections it sees are the bound of the hub that drives them.
int ConnectionsForSiblingsOn(int HostConnections)
{
    ScriptedHttpServer Server;
    Server.SetFallback([](const RecordedRequest&) {
        ScriptedReply Slow = ScriptedReply::Ok("slow");
        Slow.DelayMs = 200;
        return Slow;
    });
    auto Model = MakeTestClient();
    const auto Hub = std::make_shared<TTransferHub>(HostConnections);
    std::vector<std::unique_ptr<THTTPClient>> Siblings;
    for (int I = 0; I < 4; ++I)
        Siblings.push_back(Model->Sibling(Hub));
    std::vector<std::thread> Threads;
    for (int I = 0; I < 4; ++I)
        Threads.emplace_back([&, I] { EXPECT_EQ(GetWith(*Siblings[I], Server.Url("/s")).Body, "slow"); });
    for (std::thread& Thread : Threads)
        Thread.join();
    std::set<int> Connections;
    for (const RecordedRequest& Request : Server.Requests())
        Connections.insert(Request.ConnectionId);
    return int(Connections.size());
}

TEST(TransferHubTest, SiblingsOpenAtMostTheBoundOfTheirHubToAHost)
{
    EXPECT_EQ(ConnectionsForSiblingsOn(1), 1);
    EXPECT_LE(ConnectionsForSiblingsOn(2), 2);
    EXPECT_GT(ConnectionsForSiblingsOn(4), 1);
}

} // namespace
