#include "CliProcess.h"

#include "app/ConsoleOptions.h"
#include "app/QuickCopy.h"
#include "support/Files.h"
#include "support/QStringPrinter.h"
#include "support/RequestOptionsMatch.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString Site = QStringLiteral("http://127.0.0.1:9/");

TEST(RequestOptions, EachOptionSetsItsValueOverTheNewProjectDefaults)
{
    struct Case {
        QStringList Arguments;
        std::function<void(TRequestOptions&)> Change;
    };
    const QList<Case> Cases {
        { {}, [](TRequestOptions&) {} },
        { { "--robots=off" }, [](TRequestOptions& R) { R.Robots = false; } },
        { { "--robots=off", "--robots", "on" }, [](TRequestOptions&) {} },
        { { "--wait=0.5" }, [](TRequestOptions& R) { R.WaitSeconds = 0.5; } },
        { { "--wait", "3600", "--random-wait" },
            [](TRequestOptions& R) {
                R.WaitSeconds = 3600;
                R.RandomWait = true;
            } },
        { { "--limit-rate=1000" }, [](TRequestOptions& R) { R.LimitRate = 1000; } },
        { { "--limit-rate=200k" }, [](TRequestOptions& R) { R.LimitRate = 204800; } },
        { { "--limit-rate", "1.5M" }, [](TRequestOptions& R) { R.LimitRate = 1572864; } },
        { { "--limit-rate=2m" }, [](TRequestOptions& R) { R.LimitRate = 2097152; } },
        { { "--limit-rate=.5K" }, [](TRequestOptions& R) { R.LimitRate = 512; } },
        { { "--limit-rate=0" }, [](TRequestOptions& R) { R.LimitRate = 0; } },
        { { "--user-agent=Bot/2 (+http://a.example/)" },
            [](TRequestOptions& R) { R.UserAgent = "Bot/2 (+http://a.example/)"; } },
        { { "--tries", "3", "--timeout=30" },
            [](TRequestOptions& R) {
                R.Tries = 3;
                R.TimeoutSeconds = 30;
            } },
        { { "--accept-regex=\\.html$", "--accept-regex", "a=b;c", "--reject-regex=/private/" },
            [](TRequestOptions& R) {
                R.Accept = QStringList { "\\.html$", "a=b;c" };
                R.Reject = QStringList { "/private/" };
            } },
        { { "--no-check-certificate" }, [](TRequestOptions& R) { R.VerifyTLS = false; } },
        { { "--ca-certificate", "/etc/hosts" }, [](TRequestOptions& R) { R.CACertificate = "/etc/hosts"; } },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Arguments.join(' ').toStdString());
        QString Error;
        const TConsoleOptions Options = ParseConsoleOptions(C.Arguments + QStringList { Site }, Error);
        EXPECT_EQ(Error, "");
        TRequestOptions Expected = TRequestOptions::ForNewProject();
        C.Change(Expected);
        ExpectSameRequests(Options.QuickCopy.Requests, Expected);
        // Every project of the copy gets them.
        TWebsiteProjectList Projects;
        ASSERT_TRUE(MakeQuickCopyProjects(Options.QuickCopy, Projects, Error, false)) << Error.toStdString();
        ExpectSameRequests(Projects.GetProject(0)->Requests(), Expected);
    }
}

TEST(RequestOptions, TheInputFilesURLsFollowThoseOfTheCommandLine)
{
    QTemporaryDir Temp;
    const QString List = Temp.path() + "/urls.txt";
    WriteFile(List,
        "# start pages\n  http://a.example/x  \r\n\n\t\n#http://a.example/no\nb.example/y # not a comment\n");
    QString Error;
    const TConsoleOptions Options
        = ParseConsoleOptions({ "http://a.example/", "-i", List, "c.example/" }, Error);
    EXPECT_EQ(Error, "");
    EXPECT_EQ(Options.QuickCopy.URLs,
        QStringList(
            { "http://a.example/", "c.example/", "http://a.example/x", "b.example/y # not a comment" }));
    // The file alone is a quick copy too.
    EXPECT_EQ(ParseConsoleOptions({ "--input-file=" + List }, Error).QuickCopy.URLs.size(), 2);
    EXPECT_EQ(Error, "");
}

TEST(RequestOptions, BadValuesAreUsageErrors)
{
    QTemporaryDir Temp;
    WriteFile(Temp.path() + "/comments", "# nothing\n\n");
    const QString Missing = Temp.path() + "/missing";
    struct Case {
        QStringList Arguments;
        QString Error;
    };
    const QList<Case> Cases {
        { { "--robots=maybe", Site }, "--robots takes on or off, not \"maybe\"" },
        { { "--wait=-1", Site }, "--wait takes seconds from 0 to 3600, not \"-1\"" },
        { { "--wait", "soon", Site }, "--wait takes seconds from 0 to 3600, not \"soon\"" },
        { { "--wait=3601", Site }, "--wait takes seconds from 0 to 3600, not \"3601\"" },
        { { "--limit-rate=5G", Site }, "--limit-rate takes bytes a second, with k or M for KiB or MiB" },
        { { "--limit-rate=-1k", Site }, "--limit-rate takes bytes a second" },
        { { "--limit-rate", "1.5.5M", Site }, "--limit-rate takes bytes a second" },
        { { "--limit-rate=k", Site }, "--limit-rate takes bytes a second" },
        { { "--tries=0", Site }, "--tries takes a number from 1 to 100, not \"0\"" },
        { { "--timeout", "x", Site }, "--timeout takes a number from 1 to 3600, not \"x\"" },
        { { "--user-agent=", Site }, "--user-agent needs a text" },
        { { "--accept-regex=", Site }, "--accept-regex needs a regular expression" },
        { { "--random-wait=1", Site }, "--random-wait takes no value" },
        { { "--accept-regex=a(b", Site },
            "--accept-regex \"a(b\": Error in regular expression at offset 3: missing closing parenthesis" },
        { { "--reject-regex", "[z", Site }, "--reject-regex \"[z\": Error in regular expression" },
        { { "--ca-certificate", Missing, Site }, "--ca-certificate \"" + Missing + "\": no readable file" },
        { { "-i", Missing, Site },
            "cannot read the input file \"" + Missing + "\": No such file or directory" },
        { { "--input-file", Temp.path() }, "cannot read the input file \"" + Temp.path() + "\"" },
        { { "-i", Temp.path() + "/comments" },
            "the input file \"" + Temp.path() + "/comments\" lists no URL" },
        { { "--no-check-certificate" }, "--no-check-certificate applies to a quick copy" },
        { { "--wait" }, "--wait needs a value" },
    };
    for (const Case& C : Cases) {
        const CliResult Result = RunCli(C.Arguments, Temp.path());
        EXPECT_EQ(Result.ExitCode, 2) << C.Arguments.join(' ').toStdString();
        EXPECT_TRUE(Result.Errors.contains(C.Error)) << Result.Errors.toStdString();
        EXPECT_TRUE(Result.Output.isEmpty());
    }
}

} // namespace
