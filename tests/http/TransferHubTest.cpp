#include "ClientTestSupport.h"

#include "http/TransferHub.h"

#include <set>
#include <thread>
#include <vector>

namespace {

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
