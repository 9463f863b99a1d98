#include "engine/crawl/RetryPolicy.h"

#include "http/HTTPErrors.h"

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

TEST(RetryPolicyTest, TransportFailuresAreRetriedButSizeBoundsAreNot)
{
    EXPECT_TRUE(IsRetryableFailure(EReadTimeout(QStringLiteral("Read timed out."))));
    EXPECT_TRUE(IsRetryableFailure(EConnectionClosed(QStringLiteral("closed"))));
    EXPECT_FALSE(IsRetryableFailure(EResponseLimitError(QStringLiteral("too large"))));
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

} // namespace
