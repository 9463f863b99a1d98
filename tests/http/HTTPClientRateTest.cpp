// The rate cap on a host, measured on real transfers from a local server.
#include "ClientTestSupport.h"

#include <QElapsedTimer>
#include <atomic>
#include <thread>

namespace {

constexpr qint64 MB = 1 << 20;

// Bytes that differ along the body, so that a piece lost or repeated shows.
QByteArray PatternBody(qint64 Size)
{
    QByteArray Body(Size, Qt::Uninitialized);
    for (qint64 I = 0; I < Size; ++I)
        Body[I] = char(I * 7 % 251);
    return Body;
}

struct RateCase {
    qint64 LimitRate;
    qint64 MinMs;
    qint64 MaxMs;
};

class HTTPClientRateTest : public ::testing::TestWithParam<RateCase> { };

// 2 MB at 1 MB a second take two seconds less the burst; without a cap they
// come at once. Either way the body arrives whole.
TEST_P(HTTPClientRateTest, TheCapBoundsHowFastABodyArrives)
{
    const QByteArray Body = PatternBody(2 * MB);
    ScriptedHttpServer Server;
    Server.On("/big", ScriptedReply::Ok(Body, "application/octet-stream"));
    auto Client = MakeTestClient();
    Client->SetPacing({ 0, false, GetParam().LimitRate });
    QElapsedTimer Timer;
    Timer.start();
    const GetOutcome Outcome = GetWith(*Client, Server.Url("/big"));
    const qint64 Elapsed = Timer.elapsed();
    EXPECT_TRUE(Outcome.ErrorClass.isEmpty()) << Outcome.ErrorMessage.toStdString();
    EXPECT_TRUE(Outcome.Body == Body) << "received " << Outcome.Body.size() << " bytes";
    EXPECT_GE(Elapsed, GetParam().MinMs);
    EXPECT_LE(Elapsed, GetParam().MaxMs);
}

INSTANTIATE_TEST_SUITE_P(
    Caps, HTTPClientRateTest, ::testing::Values(RateCase { MB, 1800, 10000 }, RateCase { 0, 0, 1500 }));

// Pauses for the cap last longer than the read time-out; they are no stall.
TEST(HTTPClientRateLimitTest, APauseForTheCapIsNoReadTimeout)
{
    const QByteArray Body = PatternBody(48 * 1024);
    ScriptedHttpServer Server;
    Server.On("/slow", ScriptedReply::Ok(Body, "application/octet-stream"));
    auto Client = MakeTestClient(); // a read time-out of TestReadTimeoutMs
    Client->SetPacing({ 0, false, 32 * 1024 });
    const GetOutcome Outcome = GetWith(*Client, Server.Url("/slow"));
    EXPECT_TRUE(Outcome.ErrorClass.isEmpty()) << Outcome.ErrorMessage.toStdString();
    EXPECT_TRUE(Outcome.Body == Body) << "received " << Outcome.Body.size() << " bytes";
}

// Break ends a transfer held back by the cap at once, and the next request
// on the same client runs as usual.
TEST(HTTPClientRateLimitTest, TheAbortFlagEndsACappedTransfer)
{
    const QByteArray Body = PatternBody(2 * MB);
    ScriptedHttpServer Server;
    Server.On("/big", ScriptedReply::Ok(Body, "application/octet-stream"));
    Server.On("/small", ScriptedReply::Ok("after"));
    auto Client = MakeTestClient();
    Client->SetReadTimeoutMs(60000);
    Client->SetPacing({ 0, false, 100 * 1024 });
    // Once the server has the request, the transfer has 20 s of pauses ahead.
    const AbortedOutcome Aborted = GetAbortedOnceRequested(*Client, Server, Server.Url("/big"));
    EXPECT_EQ(Aborted.Outcome.ErrorClass, QStringLiteral("ETransferAborted"));
    EXPECT_LT(Aborted.EndedAfterMs, 2000);

    const GetOutcome Next = GetWith(*Client, Server.Url("/small"));
    EXPECT_TRUE(Next.ErrorClass.isEmpty()) << Next.ErrorMessage.toStdString();
    EXPECT_EQ(Next.Body, "after");
}

} // namespace
