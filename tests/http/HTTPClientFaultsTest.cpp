#include "ClientTestSupport.h"

#include <QElapsedTimer>
#include <atomic>
#include <thread>

namespace {

TEST(HTTPClientFaultsTest, ARelativeLocationWithASchemeInItsQueryStaysRelative)
{
    ScriptedHttpServer Server;
    Server.On("/start", ScriptedReply::Redirect(302, "/go?next=http://x/"));
    Server.On("/go?next=http://x/", ScriptedReply::Ok("arrived"));
    auto Client = MakeTestClient();
    const GetOutcome Outcome = GetWith(*Client, Server.Url("/start"));
    EXPECT_EQ(Outcome.Body, "arrived")
        << Outcome.ErrorMessage.toStdString() << " " << Server.Requests().back().Target.toStdString();
    EXPECT_EQ(Client->LastURL(), Server.Url("/go?next=http://x/"));
}

TEST(HTTPClientFaultsTest, BadRepliesSayWhatWasWrongAndSaveNothing)
{
    ScriptedHttpServer Server;
    Server.On("/huge-header",
        ScriptedReply::Raw(
            "HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(200 * 1024, 'h') + "\r\nContent-Length: 2\r\n\r\nok"));
    Server.On("/many-headers",
        ScriptedReply::Raw("HTTP/1.1 200 OK\r\n"
            + QByteArray("X-Small: ").append(QByteArray(90, 's')).append("\r\n").repeated(12000)
            + "Content-Length: 2\r\n\r\nok"));
    Server.On("/two-lengths",
        ScriptedReply::Raw("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 5\r\n\r\nhello"));
    Server.On("/silent-body",
        ScriptedReply::Raw("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhe", ScriptedReply::Then::KeepAlive));
    // A bad header is seen before any byte of the body is passed on; a body
    // that stalls has streamed what came.
    const struct {
        const char* Path;
        const char* Message;
        const char* Body;
    } Cases[] = {
        { "/huge-header", "Reply header too large", "" },
        { "/many-headers", "Reply header too large", "" },
        { "/two-lengths", "Bad reply: two different Content-Length values", "" },
        { "/silent-body", "No data for 0.3 s", "he" },
    };
    auto Client = MakeTestClient();
    for (const auto& C : Cases) {
        const GetOutcome Outcome = GetWith(*Client, Server.Url(C.Path));
        EXPECT_EQ(Outcome.ErrorMessage, QString::fromUtf8(C.Message)) << C.Path;
        EXPECT_EQ(Outcome.Body, C.Body) << C.Path;
    }
}

TEST(HTTPClientFaultsTest, TheReadTimeOutCountsFromTheLastByteEvenInsideAHeaderLine)
{
    // A header line that trickles a byte every 100 ms for a second, then
    // stops: the read time-out of 300 ms runs from its last byte.
    ScriptedHttpServer Server;
    ScriptedReply Trickle = ScriptedReply::Raw("HTTP/1.1 200 OK\r\nX-Slow: ", ScriptedReply::Then::Hold);
    Trickle.Chunk = "a";
    Trickle.ChunkCount = 10;
    Trickle.ChunkPauseMs = 100;
    Server.On("/", Trickle);
    auto Client = MakeTestClient();
    QElapsedTimer Timer;
    Timer.start();
    const GetOutcome Outcome = GetWith(*Client, Server.Url("/"));
    EXPECT_EQ(Outcome.ErrorMessage, "No data for 0.3 s");
    EXPECT_GE(Timer.elapsed(), 1000 + TestReadTimeoutMs);
}

TEST(HTTPClientFaultsTest, TheAbortFlagEndsARunningTransferAtOnce)
{
    ScriptedHttpServer Server;
    Server.On("/trickle", ScriptedReply::Stream("x", -1, 50));
    auto Client = MakeTestClient();
    Client->SetReadTimeoutMs(60000);
    // The transfer is under way once the server has the request.
    const AbortedOutcome Aborted = GetAbortedOnceRequested(*Client, Server, Server.Url("/trickle"));
    EXPECT_EQ(Aborted.Outcome.ErrorClass, QStringLiteral("ETransferAborted"));
    EXPECT_LT(Aborted.EndedAfterMs, 1000);
}

} // namespace
