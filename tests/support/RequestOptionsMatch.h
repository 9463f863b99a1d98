#pragma once

#include "projects/WebsiteUnit.h"

#include <gtest/gtest.h>

// Expects every request option of Actual to be that of Expected.
inline void ExpectSameRequests(const TRequestOptions& Actual, const TRequestOptions& Expected)
{
    EXPECT_EQ(Actual.Robots, Expected.Robots);
    EXPECT_EQ(Actual.WaitSeconds, Expected.WaitSeconds);
    EXPECT_EQ(Actual.RandomWait, Expected.RandomWait);
    EXPECT_EQ(Actual.LimitRate, Expected.LimitRate);
    EXPECT_EQ(Actual.UserAgent.toStdString(), Expected.UserAgent.toStdString());
    EXPECT_EQ(Actual.Tries, Expected.Tries);
    EXPECT_EQ(Actual.TimeoutSeconds, Expected.TimeoutSeconds);
    EXPECT_EQ(Actual.Accept.join('\n').toStdString(), Expected.Accept.join('\n').toStdString());
    EXPECT_EQ(Actual.Reject.join('\n').toStdString(), Expected.Reject.join('\n').toStdString());
    EXPECT_EQ(Actual.VerifyTLS, Expected.VerifyTLS);
    EXPECT_EQ(Actual.CACertificate.toStdString(), Expected.CACertificate.toStdString());
}
