#include "ClientTestSupport.h"
#include "support/GZipFixture.h"

#include <QElapsedTimer>

namespace {

constexpr qint64 TestMaxBodySize = 100000;

} // namespace

TEST(HTTPClientLimitsTest, BodiesPastTheSizeLimitFailAndAreNotRepeated)
{
    ScriptedHttpServer Server;
    const QByteArray Chunk(4096, 'x');
    Server.On("/endless", ScriptedReply::Stream(Chunk, -1));
    Server.On("/declared", ScriptedReply::Stream(Chunk, 100));
    Server.On("/missing", [&] {
        ScriptedReply Reply = ScriptedReply::Stream(Chunk, -1);
        Reply.Bytes.replace("200 OK", "404 Not Found");
        return Reply;
    }());
    Server.On("/bomb",
        ScriptedReply::Status(200, "OK", { "Content-Encoding: gzip" }, GZip(QByteArray(10 << 20, '\0'))));
    Server.On("/fits", ScriptedReply::Stream(Chunk, 24));
    Server.On("/fits-gzip",
        ScriptedReply::Status(200, "OK", { "Content-Encoding: gzip" }, GZip(QByteArray(90000, 'z'))));

    struct Case {
        const char* Path;
        const char* Error; // empty: the whole body arrives
        qint64 Size;
    } Cases[] = {
        { "/endless", "The body exceeds the limit of 100000 bytes", 0 },
        { "/declared", "The body exceeds the limit of 100000 bytes", 0 },
        { "/missing", "The body exceeds the limit of 100000 bytes", 0 },
        { "/bomb", "The decoded body exceeds the limit of 100000 bytes", 0 },
        { "/fits", "", 24 * 4096 },
        { "/fits-gzip", "", 90000 },
    };
    for (const Case& C : Cases) {
        auto Client = MakeTestClient();
        Client->SetMaxBodySize(TestMaxBodySize);
        const int Before = Server.RequestCount();
        const GetOutcome Outcome = GetWith(*Client, Server.Url(C.Path));
        EXPECT_EQ(Outcome.ErrorMessage, C.Error) << C.Path;
        EXPECT_EQ(Server.RequestCount() - Before, 1) << C.Path;
        if (*C.Error) {
            EXPECT_EQ(Outcome.ErrorClass, "EResponseLimitError") << C.Path;
            EXPECT_LE(Outcome.Body.size(), TestMaxBodySize) << C.Path;
        } else {
            EXPECT_EQ(Outcome.Body.size(), C.Size) << C.Path;
        }
    }
}

TEST(HTTPClientLimitsTest, ATrickleEndsAtTheRequestTimeLimit)
{
    // One byte every 50 ms never leaves the connection idle for the read
    // time-out of 300 ms; only the bound on the whole request ends it.
    ScriptedHttpServer Server;
    Server.On("/trickle", ScriptedReply::Stream("x", -1, 50));
    Server.On("/slow", ScriptedReply::Stream("x", 5, 50));
    auto Client = MakeTestClient();
    Client->SetRequestTimeLimitMs(800);

    QElapsedTimer Timer;
    Timer.start();
    const GetOutcome Trickle = GetWith(*Client, Server.Url("/trickle"));
    EXPECT_EQ(Trickle.ErrorClass, "EResponseLimitError");
    EXPECT_EQ(Trickle.ErrorMessage, "The request took longer than its limit of 800 ms");
    EXPECT_GE(Timer.elapsed(), 800);
    EXPECT_LT(Timer.elapsed(), 3000);
    EXPECT_EQ(Server.RequestCount(), 1);

    const GetOutcome Slow = GetWith(*Client, Server.Url("/slow"));
    EXPECT_EQ(Slow.ErrorMessage, "");
    EXPECT_EQ(Slow.Body, "xxxxx");
}
