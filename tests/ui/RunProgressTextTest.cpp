#include "ui/RunProgressText.h"
#include "engine/crawl/RunContext.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {
void Fill(TRunProgress& Progress, int Project, int Projects, int Done, int Listed, qint64 Bytes)
{
    Progress.Project = Project;
    Progress.Projects = Projects;
    Progress.Done = Done;
    Progress.Listed = Listed;
    Progress.Bytes = Bytes;
}

constexpr qint64 KB = 1024;
constexpr qint64 MB = 1024 * KB;
constexpr qint64 GB = 1024 * MB;
} // namespace

TEST(RunProgressText, ByteCountsInTheLargestFittingUnitWithOneDecimal)
{
    const struct {
        qint64 Bytes;
        const char* Text;
    } Cases[] = {
        { 0, "0 B" },
        { 1023, "1023 B" },
        { KB, "1.0 KB" },
        { 1536, "1.5 KB" },
        { MB - 1, "1.0 MB" }, // would round to "1024.0 KB"
        { 3 * MB + 300 * KB, "3.3 MB" },
        { GB + 200 * MB, "1.2 GB" },
        { 5000 * GB, "5000.0 GB" },
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(FormatByteCount(Case.Bytes), QString::fromUtf8(Case.Text)) << Case.Bytes;
}

TEST(RunProgressText, ElapsedAsMinutesThenHours)
{
    const struct {
        qint64 Ms;
        const char* Text;
    } Cases[] = {
        { 0, "0:00" },
        { 999, "0:00" },
        { 59999, "0:59" },
        { 60000, "1:00" },
        { 3599000, "59:59" },
        { 3600000, "1:00:00" },
        { 3725000, "1:02:05" },
        { 100 * 3600000LL, "100:00:00" },
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(FormatElapsed(Case.Ms), QString::fromUtf8(Case.Text)) << Case.Ms;
}

TEST(RunProgressText, PercentCountsFinishedProjectsAndThePartOfTheCurrentList)
{
    const struct {
        int Project, Projects, Done, Listed, Percent;
    } Cases[] = {
        { 0, 0, 0, 0, 0 }, // no project started yet
        { 1, 1, 0, 0, 0 }, // nothing listed yet
        { 1, 1, 1, 4, 25 }, { 1, 2, 2, 2, 50 }, { 2, 2, 0, 0, 50 }, { 2, 4, 1, 2, 37 }, { 3, 3, 5, 5, 100 },
        { 1, 1, 5, 3, 100 }, // a list read while it grows
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(ProgressPercent(Case.Project, Case.Projects, Case.Done, Case.Listed), Case.Percent)
            << Case.Project << " of " << Case.Projects << ", " << Case.Done << " of " << Case.Listed;
}

TEST(RunProgressText, StatusLineNamesEveryCounter)
{
    TRunProgress Progress;
    Fill(Progress, 2, 3, 10, 40, 3 * MB);
    TRunProgressText Text;
    const TProgressView View = Text.Show(Progress, 65000);
    EXPECT_EQ(View.Percent, 41);
    EXPECT_EQ(View.Status,
        QStringLiteral("Project 2 of 3 \u00B7 files 10 of 40 \u00B7 3.0 MB \u00B7 47.3 KB/s \u00B7 1:05"));
}

// The rate follows the last seconds: a run that has stalled shows 0 B/s
// however fast it was before, and a new run forgets the old one's pace.
TEST(RunProgressText, RateIsTakenOverTheLastSeconds)
{
    TRunProgress Progress;
    TRunProgressText Text;
    const auto Rate = [&Text, &Progress](qint64 Bytes, qint64 Ms) {
        Progress.Bytes = Bytes;
        return Text.Show(Progress, Ms).Status.section(QStringLiteral(" \u00B7 "), 3, 3);
    };
    EXPECT_EQ(Rate(0, 0), QStringLiteral("0 B/s"));
    EXPECT_EQ(Rate(2 * MB, 1000), QStringLiteral("2.0 MB/s"));
    EXPECT_EQ(Rate(10 * MB, 2000), QStringLiteral("5.0 MB/s"));
    for (qint64 Ms = 2100; Ms < 2000 + TRunProgressText::RateWindowMs; Ms += 100)
        Rate(10 * MB, Ms);
    EXPECT_EQ(Rate(10 * MB, 2000 + TRunProgressText::RateWindowMs), QStringLiteral("0 B/s"));
    EXPECT_EQ(
        Rate(10 * MB + 512 * KB, 2000 + TRunProgressText::RateWindowMs + 1000), QStringLiteral("102.4 KB/s"));

    Text.Restart();
    EXPECT_EQ(Rate(KB, 1000), QStringLiteral("1.0 KB/s"));
}
