// The pacer's bookings on a clock the test moves: who goes when.
#include "http/HostPacer.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

class HostPacerTest : public ::testing::Test {
protected:
    HostPacerTest()
        : FPacer([this] { return FNow; })
    {
    }

    // Admits one transfer to Host; its delay lands in Delays once it may go.
    void Admit(const QByteArray& Host)
    {
        FPacer.Admit(Host, [this](long long DelayMs) { FDelays.push_back(DelayMs); });
    }

    long long FNow = 1000;
    THostPacer FPacer;
    std::vector<long long> FDelays;
};

TEST_F(HostPacerTest, WithoutRulesEveryTransferGoesAtOnce)
{
    for (int I = 0; I < 3; ++I)
        Admit("a.test");
    EXPECT_EQ(FDelays, (std::vector<long long> { 0, 0, 0 }));
}

TEST_F(HostPacerTest, AWaitSpacesTheStartsToOneHostAndHoldsTheNextUntilTheEnd)
{
    FPacer.SetRules({ 150, false, 0 });
    Admit("a.test");
    Admit("a.test");
    Admit("b.test");
    EXPECT_EQ(FDelays, (std::vector<long long> { 0, 0 })); // the second to a.test waits its turn
    FNow += 40;
    FPacer.Release("a.test");
    EXPECT_EQ(FDelays, (std::vector<long long> { 0, 0, 110 }));
    FNow += 500; // the gap is from the last start: a late end waits no more
    FPacer.Release("a.test");
    Admit("A.TEST");
    EXPECT_EQ(FDelays.back(), 0);
}

TEST_F(HostPacerTest, AHostDelayLongerThanTheWaitWinsForThatHostOnly)
{
    FPacer.SetRules({ 100, false, 0 });
    FPacer.SetHostDelay("slow.test", 700);
    for (const QByteArray Host : { "slow.test", "fast.test" }) {
        Admit(Host);
        FPacer.Release(Host);
        Admit(Host);
    }
    EXPECT_EQ(FDelays, (std::vector<long long> { 0, 700, 0, 100 }));
}

TEST_F(HostPacerTest, ARandomWaitStaysWithinHalfAndOneAndAHalfTimesTheWait)
{
    FPacer.SetRules({ 200, true, 0 });
    std::set<long long> Gaps;
    Admit("a.test");
    for (int I = 0; I < 200; ++I) {
        FPacer.Release("a.test");
        Admit("a.test");
        Gaps.insert(FDelays.back());
        FNow += FDelays.back();
    }
    EXPECT_GE(*Gaps.begin(), 100);
    EXPECT_LE(*Gaps.rbegin(), 300);
    EXPECT_GT(Gaps.size(), 20u);
}

TEST_F(HostPacerTest, ARateCapAloneStillLetsOneTransferAtATimeGo)
{
    FPacer.SetRules({ 0, false, 1000 });
    Admit("a.test");
    Admit("a.test");
    EXPECT_EQ(FDelays, (std::vector<long long> { 0 }));
    FPacer.Release("a.test");
    EXPECT_EQ(FDelays, (std::vector<long long> { 0, 0 }));
}

} // namespace
