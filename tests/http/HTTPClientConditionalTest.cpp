#include "ClientTestSupport.h"

#include "support/ConditionalReplies.h"

#include <QRegularExpression>
#include <map>

namespace {

const QByteArray Date = "Tue, 03 Jun 2025 10:00:00 GMT";
const QByteArray OtherDate = "Mon, 02 Jun 2025 10:00:00 GMT";

// The served files, each an honest server's reply to whatever it is asked.
std::map<QByteArray, ServedResource> Resources()
{
    ServedResource Strong;
    Strong.Body = "0123456789";
    Strong.ETag = "\"v1\"";
    Strong.LastModified = Date;
    ServedResource Weak = Strong;
    Weak.ETag = "W/\"v1\"";
    ServedResource Deaf = Strong;
    Deaf.HonoursConditions = false;
    Deaf.HonoursRange = false;
    ServedResource Large = ServedResource::Repeated("abcdefgh", 1000);
    Large.ETag = "\"big\"";
    return { { "/strong", Strong }, { "/weak", Weak }, { "/deaf", Deaf }, { "/large", Large } };
}

struct ConditionalCase {
    const char* Name;
    const char* Path;
    QStringList FirstHeaders;
    QByteArray Body;
    int ReplyCode;
    QString ErrorClass; // empty: none
};

// The lines of the first pass go out on it alone, and a range goes out
// without asking for compression; what comes back is judged as the server
// meant it.
TEST(HTTPClientConditionalTest, FirstPassHeadersAskOnceAndA304EndsOnlyTheRequestThatAsked)
{
    ScriptedHttpServer Server;
    const std::map<QByteArray, ServedResource> Served = Resources();
    Server.SetFallback([&Served](const RecordedRequest& Request) {
        const auto Found = Served.find(Request.Path);
        return Found == Served.end() ? ScriptedReply::Status(404, "Not Found", {}, "no such file")
                                     : ConditionalReply(Request, Found->second);
    });
    const ScriptedReply Bare304 = ScriptedReply::Raw("HTTP/1.1 304 Not Modified\r\nETag: \"v1\"\r\n\r\n");
    Server.On("/bare304", Bare304);
    Server.On("/moved", ScriptedReply::Redirect(302, "/strong"));
    Server.On("/moved-to-304", ScriptedReply::Redirect(302, "/bare304"));
    const QString Tag = QStringLiteral("If-None-Match: \"v1\"");
    const QString Since = QStringLiteral("If-Modified-Since: ") + QString::fromLatin1(Date);
    const QString Later = QStringLiteral("Range: bytes=4-");
    const ConditionalCase Cases[] = {
        { "tag matches", "/strong", { Tag }, "", 304, {} },
        { "date matches", "/strong", { Since }, "", 304, {} },
        { "weak tag matches", "/weak", { Tag }, "", 304, {} },
        { "tag differs", "/strong", { QStringLiteral("If-None-Match: \"v0\"") }, "0123456789", 200, {} },
        { "server ignores conditions", "/deaf", { Tag }, "0123456789", 200, {} },
        { "304 unasked", "/bare304", {}, "", 304, QStringLiteral("EHTTPReplyError") },
        { "304 after a redirect", "/moved-to-304", { Tag }, "", 304, QStringLiteral("EHTTPReplyError") },
        { "redirect drops conditions", "/moved", { Tag }, "0123456789", 200, {} },
        { "range", "/strong", { Later, QStringLiteral("If-Range: \"v1\"") }, "456789", 206, {} },
        { "range by date", "/strong", { Later, QStringLiteral("If-Range: ") + QString::fromLatin1(Date) },
            "456789", 206, {} },
        { "range with a stale date", "/strong",
            { Later, QStringLiteral("If-Range: ") + QString::fromLatin1(OtherDate) }, "0123456789", 200, {} },
        { "range against a weak tag", "/weak", { Later, QStringLiteral("If-Range: \"v1\"") }, "0123456789",
            200, {} },
        { "server ignores ranges", "/deaf", { Later }, "0123456789", 200, {} },
        { "range into a chunk", "/large", { QStringLiteral("Range: bytes=4004-") },
            QByteArray("abcdefgh").repeated(1000).mid(4004), 206, {} },
        { "range past the end", "/strong", { QStringLiteral("Range: bytes=10-") }, "", 416,
            QStringLiteral("EHTTPReplyError") },
    };
    const std::pair<const char*, std::function<GetOutcome(THTTPClient&, const QString&)>> Ways[] = {
        { "HTTPGet", [](THTTPClient& Client, const QString& URL) { return GetWith(Client, URL); } },
        { "StartGet",
            [](THTTPClient& Client, const QString& URL) { return StartWith(Client, URL).Outcome; } },
    };
    for (const auto& [Way, Get] : Ways) {
        for (const ConditionalCase& C : Cases) {
            const std::string Name = std::string(Way) + ", " + C.Name;
            auto Client = MakeTestClient();
            Client->SetFirstRequestHeaders(C.FirstHeaders);
            const int Before = Server.RequestCount();
            const GetOutcome Got = Get(*Client, Server.Url(QString::fromLatin1(C.Path)));
            EXPECT_EQ(Got.ErrorClass, C.ErrorClass) << Name << ": " << Got.ErrorMessage.toStdString();
            EXPECT_EQ(Got.Body, C.Body) << Name;
            EXPECT_EQ(Client->ReplyCode(), C.ReplyCode) << Name;

            const std::vector<RecordedRequest> Sent = Server.Requests();
            ASSERT_GT(int(Sent.size()), Before) << Name;
            for (size_t Pass = size_t(Before); Pass < Sent.size(); ++Pass) {
                const bool First = Pass == size_t(Before);
                for (const QString& Line : C.FirstHeaders) {
                    const QByteArray Header = Line.section(':', 0, 0).toLatin1();
                    const QByteArray Value = Line.section(':', 1).trimmed().toLatin1();
                    EXPECT_EQ(Sent[Pass].Header(Header), First ? Value : QByteArray())
                        << Name << ", pass " << Pass;
                }
            }
            const bool Ranged = C.FirstHeaders.indexOf(QRegularExpression(QStringLiteral("^Range:.*"))) >= 0;
            EXPECT_EQ(Sent[size_t(Before)].HasHeader("Accept-Encoding"), !Ranged) << Name;
        }
    }
}

// The lines hold for every request until they are set again.
TEST(HTTPClientConditionalTest, FirstPassHeadersStayUntilSetAgain)
{
    ScriptedHttpServer Server;
    Server.On("/", ScriptedReply::Ok("page"));
    auto Client = MakeTestClient();
    EXPECT_EQ(Client->ReplyCode(), 0);
    Client->SetFirstRequestHeaders({ QStringLiteral("If-None-Match: \"a\"") });
    GetWith(*Client, Server.Url());
    GetWith(*Client, Server.Url());
    Client->SetFirstRequestHeaders({});
    GetWith(*Client, Server.Url());
    const std::vector<RecordedRequest> Sent = Server.Requests();
    ASSERT_EQ(Sent.size(), 3u);
    EXPECT_EQ(Sent[0].Header("If-None-Match"), "\"a\"");
    EXPECT_EQ(Sent[1].Header("If-None-Match"), "\"a\"");
    EXPECT_FALSE(Sent[2].HasHeader("If-None-Match"));
    EXPECT_EQ(Client->ReplyCode(), 200);
}

} // namespace
