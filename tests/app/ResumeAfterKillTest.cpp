#include "CliProcess.h"

#include "support/ChildProcess.h"
#include "support/ConditionalReplies.h"
#include "support/Files.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

namespace {

constexpr int Pages = 8;

// A site of pages that each link a file slow enough to be cut, with the
// whole bodies it sent counted by path.
class KilledSite {
public:
    KilledSite()
    {
        QByteArray Root;
        for (int I = 0; I < Pages; ++I) {
            const QByteArray Number = QByteArray::number(I);
            Root += "<a href=\"p" + Number + ".html\">p</a>";
            ServedResource Page;
            Page.Body = "<a href=\"f" + Number + ".bin\">f</a>";
            Page.ContentType = "text/html";
            Page.ETag = "\"p" + Number + "\"";
            FResources["/p" + Number + ".html"] = Page;
            ServedResource File = ServedResource::Repeated(QByteArray(16 << 10, char('a' + I)), 16);
            File.ETag = "\"f" + Number + "\"";
            FResources["/f" + Number + ".bin"] = File;
        }
        ServedResource Home;
        Home.Body = Root;
        Home.ContentType = "text/html";
        Home.LastModified = "Mon, 01 Jun 2026 10:00:00 GMT";
        FResources["/"] = Home;
        FServer.SetFallback([this](const RecordedRequest& Request) {
            const auto Found = FResources.find(Request.Path);
            if (Found == FResources.end())
                return ScriptedReply::Status(404, "Not Found");
            ScriptedReply Reply = ConditionalReply(Request, Found->second);
            Reply.ChunkPauseMs = 3;
            const std::lock_guard<std::mutex> Lock(FLock);
            if (Reply.Bytes.startsWith("HTTP/1.1 200"))
                ++FWhole[Request.Path];
            return Reply;
        });
    }

    QString Url() const { return FServer.Url("/"); }
    int RequestCount() const { return FServer.RequestCount(); }
    // Paths whose whole body was sent more than once.
    QStringList SentTwice()
    {
        const std::lock_guard<std::mutex> Lock(FLock);
        QStringList Paths;
        for (const auto& [Path, Count] : FWhole)
            if (Count > 1)
                Paths << QString::fromLatin1(Path);
        return Paths;
    }
    void ForgetCounts()
    {
        const std::lock_guard<std::mutex> Lock(FLock);
        FWhole.clear();
    }

private:
    ScriptedHttpServer FServer;
    std::map<QByteArray, ServedResource> FResources;
    std::mutex FLock;
    std::map<QByteArray, int> FWhole;
};

// A copy killed at any moment (SIGKILL: nothing of it runs to an end) is
// completed by the next run as if it had never stopped, and no body but
// the one cut comes whole twice.
TEST(ResumeAfterKillTest, AKilledCopyIsCompletedByTheNextRun)
{
    KilledSite Site;
    QTemporaryDir Temp;
    const auto Arguments = [&](const QString& Name) {
        return QStringList { "--connections", "1", "-o", Temp.path() + "/" + Name, "--state-dir",
            Temp.path() + "/state-" + Name, Site.Url() };
    };
    const CliResult Whole = RunCli(Arguments("whole"));
    ASSERT_EQ(Whole.ExitCode, 0) << Whole.Errors.toStdString();
    const auto Expected = TreeOf(Temp.path() + "/whole");
    ASSERT_EQ(Expected.size(), size_t(2 * Pages + 1));

    for (const int KillAt : { 2, 6, 11, 16 }) {
        SCOPED_TRACE(KillAt);
        const QString Name = "killed" + QString::number(KillAt);
        Site.ForgetCounts();
        const int Before = Site.RequestCount();
        {
            ChildProcess Run(HARVO_CLI_PATH, Arguments(Name), Temp.path() + "/" + Name + ".log");
            QDeadlineTimer Bound(60000);
            while (Site.RequestCount() < Before + KillAt && !Bound.hasExpired())
                QThread::msleep(1);
            Run.Kill(SIGKILL);
            ASSERT_TRUE(Run.Wait(60000));
            EXPECT_EQ(Run.ExitCode(), -1);
        }
        const CliResult Resumed = RunCli(Arguments(Name));
        ASSERT_EQ(Resumed.ExitCode, 0) << Resumed.Errors.toStdString();
        EXPECT_EQ(TreeOf(Temp.path() + "/" + Name), Expected);
        EXPECT_LE(Site.SentTwice().size(), 1) << Site.SentTwice().join(' ').toStdString();
    }
}

} // namespace
