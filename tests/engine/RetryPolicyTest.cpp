#include "engine/RetryPolicy.h"

#include "http/HTTPErrors.h"

#include <gtest/gtest.h>

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

} // namespace
