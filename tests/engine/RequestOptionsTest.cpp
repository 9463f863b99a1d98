// A project's request options as a run applies them: the defaults send what
// runs always sent; each option shows in the requests, their count or their
// timing as the server saw them.
#include "engine/crawl/ProjectRuns.h"

#include "InstantEnvironment.h"
#include "RecordingRunLog.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestCertificate.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <vector>

namespace {

// Runs one project into a temporary folder the way the program does, with
// retry pauses that take no time; the scripted server notes when each
// request came.
class RequestOptionsTest : public ::testing::Test {
protected:
    RequestOptionsTest()
        : FThread(FLog, FControl)
    {
        FControl.FHTTPRetries = 2;
        FControl.FConnections = 4;
        FThread.SetEnv(FEnv);
        FProject.SetProjectName(QStringLiteral("options"));
        FProject.SetOutputFolder(FTemp.path());
    }

    QStringList Run(ScriptedHttpServer& Server, const QString& Path = QStringLiteral("/"))
    {
        FProject.SetWebsiteURL(Server.Url(Path));
        FClock.start();
        RunProject(FProject, QString(), FThread);
        return FLog.Lines();
    }

    // Replies from Routes, noting the time each request came at.
    void Timed(ScriptedHttpServer& Server, std::map<QByteArray, ScriptedReply> Routes)
    {
        Server.SetFallback([this, Routes = std::move(Routes)](const RecordedRequest& Request) {
            {
                const std::lock_guard<std::mutex> Lock(FTimesLock);
                FTimes.push_back(FClock.elapsed());
            }
            const auto Found = Routes.find(Request.Path);
            return Found == Routes.end() ? ScriptedReply::Status(404, "Not Found") : Found->second;
        });
    }

    std::vector<qint64> StartGaps()
    {
        const std::lock_guard<std::mutex> Lock(FTimesLock);
        std::vector<qint64> Result;
        for (size_t I = 1; I < FTimes.size(); ++I)
            Result.push_back(FTimes[I] - FTimes[I - 1]);
        return Result;
    }

    static QByteArray LinksTo(int Count, const char* Prefix)
    {
        QByteArray Page = "<html><body>";
        for (int I = 1; I <= Count; ++I)
            Page += "<a href=\"" + QByteArray(Prefix) + QByteArray::number(I) + "\">x</a>";
        return Page + "</body></html>";
    }

    QTemporaryDir FTemp;
    RecordingRunLog FLog;
    TRunControl FControl;
    TInstantEnvironment FEnv;
    ScriptedThread FThread;
    TWebsiteProject FProject;
    QElapsedTimer FClock;
    std::mutex FTimesLock;
    std::vector<qint64> FTimes; // ms since the run began, in order of arrival
};

QByteArray HeaderText(const RecordedRequest& Request, const QByteArray& Port)
{
    QByteArray Text = Request.Method + ' ' + Request.Target + '\n';
    for (const auto& [Name, Value] : Request.Headers)
        Text += Name + ": " + QByteArray(Value).replace(Port, "PORT") + '\n';
    return Text;
}

TEST_F(RequestOptionsTest, DefaultOptionsSendTheRequestsOfEveryRunBefore)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("<a href=\"next.html\">next</a>"));
    Server.On("/next.html", ScriptedReply::Ok("done"));
    Run(Server);

    const QByteArray Port = Server.Url("").section(':', -1).toLatin1();
    QByteArray Sent;
    for (const RecordedRequest& Request : Server.Requests())
        Sent += HeaderText(Request, Port);
    EXPECT_EQ(QString::fromLatin1(Sent),
        "GET /\n"
        "Host: 127.0.0.1:PORT\n"
        "User-Agent: Mozilla/5.0 (Windows NT 6.1; Trident/7.0; rv:11.0) like Gecko\n"
        "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\n"
        "Accept-Encoding: gzip, deflate\n"
        "Accept-Language: en\n"
        "GET /next.html\n"
        "Host: 127.0.0.1:PORT\n"
        "User-Agent: Mozilla/5.0 (Windows NT 6.1; Trident/7.0; rv:11.0) like Gecko\n"
        "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\n"
        "Accept-Encoding: gzip, deflate\n"
        "Accept-Language: en\n"
        "Referer: http://127.0.0.1:PORT/\n");
}

TEST_F(RequestOptionsTest, TheUserAgentAndTheTriesAreTheProjectsOwn)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Status(503, "Busy"));
    FProject.Requests().UserAgent = QStringLiteral("harvo/test");
    for (const int Tries : { 1, 4 }) {
        FProject.Requests().Tries = Tries;
        const int Before = Server.RequestCount();
        Run(Server);
        EXPECT_EQ(Server.RequestCount() - Before, Tries);
    }
    EXPECT_EQ(Server.Requests().front().Header("User-Agent"), "harvo/test");
}

TEST_F(RequestOptionsTest, TheTimeoutIsTheProjectsOwn)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Silence());
    FProject.Requests().TimeoutSeconds = 1;
    FProject.Requests().Tries = 1;
    const QStringList Log = Run(Server);
    EXPECT_LT(FClock.elapsed(), 20000);
    EXPECT_TRUE(Log.join('\n').contains("No data for 1 s")) << Log.join('\n').toStdString();
}

TEST_F(RequestOptionsTest, AFailedCertificateCheckIsLoggedOnceAndNeverRetried)
{
    TestCertificate Expired(TestCertificateKind::Expired);
    ScriptedHttpServer Server(&Expired);
    Server.On("/", ScriptedReply::Ok("secret"));
    FProject.Requests().VerifyTLS = true;
    FProject.Requests().CACertificate = Expired.AuthorityFile();
    const QStringList Log = Run(Server);
    EXPECT_EQ(Log.filter("Certificate check failed for 127.0.0.1: certificate has expired").size(), 1)
        << Log.join('\n').toStdString();
    EXPECT_TRUE(Log.filter("Retry #").isEmpty());
    EXPECT_EQ(Server.RequestCount(), 0);
}

TEST_F(RequestOptionsTest, ACertificateOfTheGivenCAIsAccepted)
{
    TestCertificate Trusted(TestCertificateKind::Trusted);
    ScriptedHttpServer Server(&Trusted);
    Server.On("/", ScriptedReply::Ok("fine"));
    FProject.Requests().VerifyTLS = true;
    FProject.Requests().CACertificate = Trusted.AuthorityFile();
    Run(Server);
    EXPECT_EQ(Server.RequestCount(), 1);
    EXPECT_TRUE(FLog.Lines().filter("Certificate").isEmpty()) << FLog.Lines().join('\n').toStdString();
}

// Four connections fetch ahead, yet no two requests to the host start
// closer than the wait. They are seen at the server, where a loaded machine
// may delay one arrival and bring the next closer: a third of the wait is
// allowed for that, far from the few milliseconds apart of unpaced requests.
TEST_F(RequestOptionsTest, TheWaitSpacesRequestsToAHostOverAllConnections)
{
    constexpr int WaitMs = 150;
    ScriptedHttpServer Server;
    std::map<QByteArray, ScriptedReply> Routes { { "/", ScriptedReply::Ok(LinksTo(6, "p")) } };
    for (int I = 1; I <= 6; ++I)
        Routes["/p" + QByteArray::number(I)] = ScriptedReply::Ok("page");
    Timed(Server, Routes);
    FProject.Requests().WaitSeconds = WaitMs / 1000.0;
    Run(Server);

    const std::vector<qint64> Gaps = StartGaps();
    ASSERT_EQ(Gaps.size(), 6u);
    for (const qint64 Gap : Gaps)
        EXPECT_GE(Gap, WaitMs * 2 / 3);
    EXPECT_LT(FClock.elapsed(), 15000);
}

TEST_F(RequestOptionsTest, ARandomWaitStaysWithinItsBounds)
{
    constexpr int WaitMs = 200;
    ScriptedHttpServer Server;
    std::map<QByteArray, ScriptedReply> Routes { { "/", ScriptedReply::Ok(LinksTo(5, "p")) } };
    for (int I = 1; I <= 5; ++I)
        Routes["/p" + QByteArray::number(I)] = ScriptedReply::Ok("page");
    Timed(Server, Routes);
    FProject.Requests().WaitSeconds = WaitMs / 1000.0;
    FProject.Requests().RandomWait = true;
    Run(Server);

    const std::vector<qint64> Gaps = StartGaps();
    ASSERT_EQ(Gaps.size(), 5u);
    for (const qint64 Gap : Gaps) {
        EXPECT_GE(Gap, WaitMs / 3);
        EXPECT_LE(Gap, WaitMs * 3 / 2 + 400); // a loaded machine may add to it
    }
}

// The project's cap holds a large body to its rate: 2 MB at 1 MB a second
// take two seconds less the burst an idle host may take at once.
TEST_F(RequestOptionsTest, TheRateCapHoldsALargeBodyToItsRate)
{
    const QByteArray Body(2 << 20, 'b');
    ScriptedHttpServer Server;
    Server.On("/big.bin", ScriptedReply::Ok(Body, "application/octet-stream"));
    FProject.Requests().LimitRate = 1 << 20;
    Run(Server, QStringLiteral("/big.bin"));
    EXPECT_GE(FClock.elapsed(), 1800);
    EXPECT_LT(FClock.elapsed(), 10000);
    ASSERT_EQ(Server.RequestCount(), 1);
    const QStringList Saving = FLog.Lines().filter(QStringLiteral("Saving: "));
    ASSERT_EQ(Saving.size(), 1) << FLog.Lines().join('\n').toStdString();
    QFile Saved(Saving.front().section(QStringLiteral("Saving: "), 1));
    ASSERT_TRUE(Saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(Saved.readAll() == Body);
}

} // namespace
