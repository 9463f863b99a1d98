#include "ClientTestSupport.h"

namespace {

// Serves /rN as a redirect to rN+1 (relative) up to Redirects, then a page.
void ServeRedirectChain(ScriptedHttpServer& Server, int Redirects)
{
    Server.SetFallback([Redirects](const RecordedRequest& Request) {
        const int N = Request.Path.mid(2).toInt();
        return N < Redirects ? ScriptedReply::Redirect(302, "r" + QByteArray::number(N + 1))
                             : ScriptedReply::Ok("end of chain");
    });
}

} // namespace

TEST(HTTPClientRedirectTest, LocationFormsAndCodes)
{
    struct Case {
        int Code;
        QByteArray Location;
        QByteArray ExpectedPath; // empty: the redirect is not followed
    };
    ScriptedHttpServer Server;
    const Case Cases[] = {
        { 301, "next.html", "/dir/next.html" },
        { 302, "/top.html", "/top.html" },
        { 303, "//elsewhere/x", "//elsewhere/x" },
        { 307, Server.Url("/absolute").toUtf8(), "/absolute" },
        // The transport sends bytes beyond ASCII percent-encoded.
        { 302, "/with space/\xc3\xa9t\xc3\xa9", "/with%20space/%c3%a9t%c3%a9" },
        { 308, "/not-followed", "" },
        { 300, "/not-followed", "" },
        { 304, "/not-followed", "" },
    };
    Server.SetFallback(
        [](const RecordedRequest& Request) { return ScriptedReply::Ok("landed " + Request.Path); });
    for (const Case& C : Cases) {
        Server.On("/dir/start", ScriptedReply::Redirect(C.Code, C.Location));
        auto Client = MakeTestClient();
        QStringList Events;
        Client->SetOnRedirect([&](THTTPClient* Sender, const QString& Location) {
            EXPECT_EQ(Sender, Client.get());
            Events << QStringLiteral("event ") + Location;
        });
        Client->SetOnRedirectLog([&](THTTPClient*, const QString& Message) { Events << Message; });
        const GetOutcome Outcome = GetWith(*Client, Server.Url("/dir/start"));
        const QString Location = QString::fromUtf8(C.Location);
        if (C.ExpectedPath.isEmpty()) {
            EXPECT_EQ(Outcome.ReplyCode, C.Code);
            EXPECT_TRUE(Outcome.ErrorMessage.startsWith(QStringLiteral("HTTP/1.1 %1 ").arg(C.Code)))
                << Outcome.ErrorMessage.toStdString();
            EXPECT_TRUE(Events.isEmpty());
            EXPECT_TRUE(Outcome.Body.isEmpty());
        } else {
            EXPECT_EQ(Outcome.Body, "landed " + C.ExpectedPath) << C.Location.constData();
            EXPECT_EQ(Events,
                QStringList(
                    { QStringLiteral("event ") + Location, QStringLiteral("Redirect to: ") + Location }));
            EXPECT_EQ(Server.Requests().back().Header("Referer"), Server.Url("/dir/start").toUtf8());
        }
    }
}

TEST(HTTPClientRedirectTest, FifteenRedirectsAreFollowedAndTheSixteenthRaises)
{
    ScriptedHttpServer Server;
    ServeRedirectChain(Server, 15);
    auto Client = MakeTestClient();
    EXPECT_EQ(GetWith(*Client, Server.Url("/r0")).Body, "end of chain");
    EXPECT_EQ(Server.RequestCount(), 16);

    ScriptedHttpServer Longer;
    ServeRedirectChain(Longer, 16);
    const GetOutcome Outcome = GetWith(*Client, Longer.Url("/r0"));
    EXPECT_EQ(Outcome.ErrorClass, QStringLiteral("ETooManyRedirects"));
    EXPECT_EQ(Outcome.ErrorMessage, QStringLiteral("Too many redirects (15)"));
    EXPECT_EQ(Longer.RequestCount(), 16);
}

TEST(HTTPClientRedirectTest, PassLimits)
{
    ScriptedHttpServer Server;
    ServeRedirectChain(Server, 1);
    auto Client = MakeTestClient();
    const GetOutcome Once = GetWith(*Client, Server.Url("/r0"), false, 0);
    EXPECT_EQ(Once.ReplyCode, 302);
    EXPECT_EQ(Server.RequestCount(), 1);

    Client->SetMaxRedirects(-1);
    const GetOutcome None = GetWith(*Client, Server.Url("/r0"), false, -1);
    EXPECT_EQ(None.ErrorClass, QString());
    EXPECT_TRUE(None.Body.isEmpty());
    EXPECT_EQ(Server.RequestCount(), 1);
}

TEST(HTTPClientRedirectTest, AcceptedRedirectCodeIsReturnedNotFollowed)
{
    ScriptedHttpServer Server;
    Server.On("/start",
        ScriptedReply::Status(
            302, "Found", { "Location: /next", "Content-Type: text/html" }, "caf\xc3\xa9 \xe2\x82\xac"));
    Server.On("/gone",
        ScriptedReply::Status(
            404, "Not Found", { "Content-Type: text/plain; charset=iso-8859-1" }, "caf\xe9"));
    auto Client = MakeTestClient();
    Client->SetAcceptReplies({ 302, 404 });
    EXPECT_TRUE(Client->IsAcceptReply(404));
    EXPECT_FALSE(Client->IsAcceptReply(500));
    const GetOutcome Redirect = GetWith(*Client, Server.Url("/start"));
    EXPECT_EQ(Redirect.ErrorClass, QString());
    // Without a declared charset the text is byte for byte, written as Latin-1.
    EXPECT_EQ(Redirect.Body, "caf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(Redirect.ContentType, QString());
    const GetOutcome Gone = GetWith(*Client, Server.Url("/gone"));
    EXPECT_EQ(Gone.Body, "caf\xe9");
    EXPECT_EQ(Server.RequestCount(), 2);

    Client->SetAcceptReplies({});
    EXPECT_FALSE(Client->IsAcceptReply(404));
    EXPECT_EQ(GetWith(*Client, Server.Url("/gone")).ReplyCode, 404);
}

TEST(HTTPClientRedirectTest, ReplyErrorCarriesStatusLineAndDecodedBody)
{
    ScriptedHttpServer Server;
    Server.On("/missing",
        ScriptedReply::Status(
            404, "Not Found", { "Content-Type: text/html; charset=utf-8" }, "<p>caf\xc3\xa9</p>"));
    auto Client = MakeTestClient();
    QBuffer Out;
    Out.open(QIODevice::WriteOnly);
    QString ContentType;
    try {
        Client->HTTPGet(Server.Url("/missing"), Out, ContentType);
        FAIL() << "a 404 reply must raise";
    } catch (const EHTTPReplyError& Error) {
        EXPECT_EQ(Error.ErrorCode(), 404);
        EXPECT_EQ(Error.Message(), QStringLiteral("HTTP/1.1 404 Not Found"));
        EXPECT_EQ(Error.BodyText(), QStringLiteral("<p>caf\u00e9</p>"));
        EXPECT_EQ(Error.ClassName(), QStringLiteral("EHTTPReplyError"));
    }
    EXPECT_EQ(Out.size(), 0);
}

TEST(HTTPClientRedirectTest, OnlyHttpAndHttpsAreFetched)
{
    ScriptedHttpServer Server;
    const QByteArray Locations[] = { "file:///etc/passwd", "ftp://127.0.0.1/x", "gopher://127.0.0.1/", "" };
    auto Client = MakeTestClient();
    for (const QByteArray& Location : Locations) {
        Server.On("/start", ScriptedReply::Redirect(302, Location));
        const GetOutcome Outcome = GetWith(*Client, Server.Url("/start"));
        EXPECT_EQ(Outcome.ErrorClass, QStringLiteral("EHTTPTransportError")) << Location.constData();
        EXPECT_FALSE(Outcome.ErrorMessage.isEmpty());
        EXPECT_TRUE(Outcome.Body.isEmpty());
        EXPECT_EQ(GetWith(*Client, QString::fromLatin1(Location)).ErrorClass,
            QStringLiteral("EHTTPTransportError"));
    }
}

TEST(HTTPClientRedirectTest, LocationWithBytesThatAreNotUtf8IsFollowedWithoutFailure)
{
    ScriptedHttpServer Server;
    Server.On("/start", ScriptedReply::Redirect(302, "/bytes/\xff\xfe x"));
    Server.SetFallback([](const RecordedRequest& Request) { return ScriptedReply::Ok(Request.Path); });
    auto Client = MakeTestClient();
    QString Seen;
    Client->SetOnRedirect([&](THTTPClient*, const QString& Location) { Seen = Location; });
    const GetOutcome Outcome = GetWith(*Client, Server.Url("/start"));
    EXPECT_EQ(Outcome.ErrorClass, QString());
    EXPECT_EQ(Seen, QStringLiteral("/bytes/\u00ff\u00fe x"));
    EXPECT_TRUE(Outcome.Body.startsWith("/bytes/")) << Outcome.Body.constData();
    EXPECT_TRUE(Outcome.Body.endsWith("%20x"));
}
