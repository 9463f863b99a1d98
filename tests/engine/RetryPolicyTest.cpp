#include "engine/crawl/RetryPolicy.h"

#include "InstantEnvironment.h"
#include "support/Loopback.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include "engine/crawl/URLFetch.h"
#include "http/HTTPClientUnit.h"

#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(RetryPolicyTest, ClientErrorsAreFinalButTimeoutAndTooManyRequests)
{
    const std::pair<int, bool> Cases[] = {
        { 400, false },
        { 403, false },
        { 404, false },
        { 410, false },
        { 499, false },
        { 408, true },
        { 429, true },
        { 500, true },
        { 503, true },
        { 399, true },
    };
    for (const auto& [Code, Retryable] : Cases)
        EXPECT_EQ(IsRetryableFailure(EHTTPReplyError(Code, QStringLiteral("x"), QString())), Retryable)
            << Code;
}

TEST(RetryPolicyTest, TransportFailuresAreRetriedButSizeBoundsAndCertificateChecksAreNot)
{
    EXPECT_TRUE(IsRetryableFailure(EReadTimeout(QStringLiteral("Read timed out."))));
    EXPECT_TRUE(IsRetryableFailure(EConnectionClosed(QStringLiteral("closed"))));
    EXPECT_FALSE(IsRetryableFailure(EResponseLimitError(QStringLiteral("too large"))));
    EXPECT_FALSE(IsRetryableFailure(ECertificateError(QStringLiteral("expired"))));
}

TEST(RetryPolicyTest, AStalledServerGetsOneMoreTryWithinTheRetries)
{
    const EReadTimeout NoData(QStringLiteral("No data for 120 s"));
    const EConnectionClosed Closed(QStringLiteral("closed"));
    struct Case {
        const char* Name;
        int Retries;
        std::vector<const std::exception*> Failures;
        std::vector<bool> Allowed;
    };
    const Case Cases[] = {
        { "stalls", 5, { &NoData, &NoData }, { true, false } },
        { "other failures use all retries", 3, { &Closed, &Closed, &Closed, &Closed },
            { true, true, true, false } },
        { "a stall among others", 5, { &Closed, &NoData, &Closed, &NoData }, { true, true, true, false } },
        { "no retries", 0, { &NoData }, { false } },
    };
    for (const Case& C : Cases) {
        TRetryBudget Budget(C.Retries);
        for (size_t I = 0; I < C.Failures.size(); ++I)
            EXPECT_EQ(Budget.AllowsAnother(*C.Failures[I]), C.Allowed[I]) << C.Name << " #" << I;
    }
}

// FetchURL with a fresh client and the pauses on an instant clock.
struct RetriedFetch {
    TFetchResult Result;
    QStringList Log;
    std::vector<int> Pauses;
};

RetriedFetch FetchWithRetries(const QString& URL, int Retries, const std::function<bool()>& Stopped = {})
{
    QTemporaryDir Temp;
    TInstantEnvironment Env;
    TFetchSettings Settings;
    Settings.Retries = Retries;
    Settings.RetryPauseMs = 500;
    Settings.TempFolder = Temp.path();
    Settings.Stopped = Stopped ? Stopped : [] { return false; };
    Settings.Env = &Env;
    THTTPClient Client(QString(), ptAUTO, "test", QString(), 5, 5);
    RetriedFetch Fetch;
    Fetch.Result = FetchURL(Client, { URL, QString(), QString(), {}, {} }, Settings,
        [&](const QString& Line) { Fetch.Log << Line; });
    Fetch.Pauses = Env.Sleeps;
    return Fetch;
}

TEST(RetryPolicyTest, FailuresAreTriedAgainWithinTheRetriesOnePauseApart)
{
    ScriptedHttpServer Server;
    std::atomic<int> Calls { 0 };
    Server.SetFallback([&Calls](const RecordedRequest&) {
        return ++Calls <= 2 ? ScriptedReply::Raw({}, ScriptedReply::Then::Close)
                            : ScriptedReply::Ok("third time");
    });
    const RetriedFetch Enough = FetchWithRetries(Server.Url("/r"), 2);
    EXPECT_EQ(Enough.Result.Outcome, TFetchOutcome::Downloaded);
    EXPECT_EQ(Server.RequestCount(), 3);
    ASSERT_EQ(Enough.Log.size(), 4) << Enough.Log.join('\n').toStdString();
    EXPECT_EQ(Enough.Log[1], "Retry #1...");
    EXPECT_EQ(Enough.Log[3], "Retry #2...");
    EXPECT_EQ(Enough.Pauses, std::vector<int>({ 500, 500 }));

    Calls = 0;
    const RetriedFetch TooFew = FetchWithRetries(Server.Url("/r"), 1);
    EXPECT_EQ(TooFew.Result.Outcome, TFetchOutcome::Failed);
    EXPECT_EQ(Server.RequestCount(), 5);
    EXPECT_EQ(TooFew.Log.last(), TooFew.Result.Reason);
    EXPECT_EQ(TooFew.Pauses, std::vector<int>({ 500 }));
}

TEST(RetryPolicyTest, ARefusedConnectionIsTriedAgainAndAClientErrorIsNot)
{
    const RetriedFetch Refused
        = FetchWithRetries(QStringLiteral("http://127.0.0.1:%1/").arg(UnusedLoopbackPort()), 2);
    EXPECT_EQ(Refused.Result.Outcome, TFetchOutcome::Failed);
    EXPECT_EQ(Refused.Log.filter("Retry #").size(), 2) << Refused.Log.join('\n').toStdString();
    EXPECT_EQ(Refused.Pauses.size(), 2u);

    ScriptedHttpServer Server;
    Server.On("/missing", ScriptedReply::Status(404, "Not Found"));
    const RetriedFetch Missing = FetchWithRetries(Server.Url("/missing"), 2);
    EXPECT_EQ(Missing.Result.Outcome, TFetchOutcome::Failed);
    EXPECT_EQ(Server.RequestCount(), 1);
    EXPECT_TRUE(Missing.Pauses.empty());
}

TEST(RetryPolicyTest, NoRetryFollowsBreak)
{
    ScriptedHttpServer Server;
    Server.SetFallback(
        [](const RecordedRequest&) { return ScriptedReply::Status(503, "Service Unavailable"); });
    const RetriedFetch Stopped = FetchWithRetries(Server.Url("/r"), 5, [] { return true; });
    EXPECT_EQ(Stopped.Result.Outcome, TFetchOutcome::Failed);
    EXPECT_EQ(Server.RequestCount(), 1);
    EXPECT_TRUE(Stopped.Pauses.empty());
}

} // namespace
