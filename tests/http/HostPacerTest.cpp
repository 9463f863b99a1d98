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

// Each step moves the clock by AfterMs, then takes Bytes at 1000 bytes a
// second: a burst of 100 bytes, then bytes as the time allows; a take
// larger than the burst waits for a full one and is paid off after.
TEST_F(HostPacerTest, TheRateCapLetsBytesGoAsTheTimeSinceAllowsThem)
{
    struct Step {
        long long AfterMs;
        qint64 Bytes;
        long long DelayMs;
    };
    const std::vector<Step> Steps {
        { 0, 100, 0 }, // the burst an idle host saved up
        { 0, 1, 1 }, // nothing left: waits for the byte's millisecond
        { 1, 1, 0 },
        { 49, 60, 11 }, // 49 bytes allowed by now, not 60
        { 11, 60, 0 },
        { 1000, 500, 0 }, // more than a burst goes once a burst is saved
        { 0, 10, 410 }, // and is paid off first
        { 300, 10, 110 },
    };
    FPacer.SetRules({ 0, false, 1000 });
    for (size_t I = 0; I < Steps.size(); ++I) {
        FNow += Steps[I].AfterMs;
        EXPECT_EQ(FPacer.TakeBytes("a.test", Steps[I].Bytes), Steps[I].DelayMs) << "step " << I;
    }
    EXPECT_EQ(FPacer.TakeBytes("b.test", 100), 0) << "each host has its own allowance";
}

TEST_F(HostPacerTest, WithoutARateCapBytesAlwaysGo)
{
    FPacer.SetRules({ 500, false, 0 });
    EXPECT_EQ(FPacer.TakeBytes("a.test", 1 << 30), 0);
    EXPECT_EQ(FPacer.TakeBytes("a.test", 1 << 30), 0);
}

} // namespace
