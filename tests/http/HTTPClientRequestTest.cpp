#include "ClientTestSupport.h"

TEST(HTTPClientRequestTest, NormalizeURLCases)
{
    struct Case {
        const char* Input;
        const char* Expected;
    };
    const Case Cases[] = {
        { "http://h/a b/c d", "http://h/a%20b/c%20d" },
        { "http://h?q=1", "http://h/?q=1" },
        { "http://h/p?q=/x", "http://h/p?q=/x" },
        { "http://h?q=/x", "http://h/?q=/x" },
        { "page?x", "page/?x" },
        { "dir/page?x", "dir/page?x" },
        { "http://h/%41\xc3\xa9", "http://h/%41\xc3\xa9" },
        { "", "" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(THTTPClient::NormalizeURL(QString::fromUtf8(C.Input)), QString::fromUtf8(C.Expected))
            << C.Input;
}

TEST(HTTPClientRequestTest, SendsTheFixedHeadersAndNoConnectionHeader)
{
    ScriptedHttpServer Server;
    Server.On("/page", ScriptedReply::Ok("hello", "text/html; charset=utf-8"));
    auto Client = MakeTestClient();
    const GetOutcome Outcome = GetWith(*Client, Server.Url("/page"));
    EXPECT_EQ(Outcome.Body, "hello");
    EXPECT_EQ(Outcome.ContentType, "text/html");
    EXPECT_EQ(Outcome.ErrorClass, QString());
    const RecordedRequest Request = Server.Requests().at(0);
    EXPECT_EQ(Request.Method, "GET");
    EXPECT_EQ(Request.Header("User-Agent"), "HarvoTest/1.0");
    EXPECT_EQ(Request.Header("Accept"), "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    EXPECT_EQ(Request.Header("Accept-Language"), "en");
    EXPECT_EQ(Request.Header("Accept-Encoding"), "gzip, deflate");
    for (const char* Absent :
        { "Connection", "Referer", "Cookie", "Content-Type", "Proxy-Connection", "Expect" })
        EXPECT_FALSE(Request.HasHeader(Absent)) << Absent;
}

TEST(HTTPClientRequestTest, HeaderOperationsShapeLaterRequests)
{
    ScriptedHttpServer Server;
    auto Client = MakeTestClient();
    EXPECT_EQ(Client->SetRequestAccept(QStringLiteral("text/plain")),
        QStringLiteral("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));
    Client->AddRequestHeader(QStringLiteral("X-One: 1"));
    Client->AddRequestHeader(QStringLiteral("X-Empty:"));
    Client->AddRequestHeader(QStringLiteral("X-Split: a\r\nInjected: yes"));
    GetWith(*Client, Server.Url("/a"));
    EXPECT_FALSE(Client->SetRequestHeaders({}));
    GetWith(*Client, Server.Url("/b"));
    EXPECT_TRUE(Client->SetRequestHeaders({ QStringLiteral("X-Two: 2") }));
    EXPECT_EQ(Client->SetRequestAccept(QString()), QStringLiteral("text/plain"));
    GetWith(*Client, Server.Url("/c"));
    Client->ResetRequestHeaders();
    GetWith(*Client, Server.Url("/d"));

    const auto Requests = Server.Requests();
    ASSERT_EQ(Requests.size(), 4u);
    EXPECT_EQ(Requests[0].Header("Accept"), "text/plain");
    EXPECT_EQ(Requests[0].Header("X-One"), "1");
    EXPECT_FALSE(Requests[0].HasHeader("X-Empty"));
    EXPECT_FALSE(Requests[0].HasHeader("Injected"));
    EXPECT_EQ(Requests[1].Header("X-One"), "1");
    EXPECT_FALSE(Requests[2].HasHeader("X-One"));
    EXPECT_EQ(Requests[2].Header("X-Two"), "2");
    EXPECT_FALSE(Requests[2].HasHeader("Accept"));
    EXPECT_FALSE(Requests[3].HasHeader("X-Two"));
}

TEST(HTTPClientRequestTest, RefererChainMovesBeforeSendingEvenWhenTheRequestFails)
{
    ScriptedHttpServer Server;
    Server.On("/first", ScriptedReply::Status(500, "Internal Server Error"));
    Server.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("x"); });
    auto Client = MakeTestClient();
    EXPECT_EQ(GetWith(*Client, Server.Url("/first")).ReplyCode, 500);
    EXPECT_EQ(Client->Referer(), Server.Url("/first"));

    QByteArray Body;
    QBuffer Out(&Body);
    Out.open(QIODevice::WriteOnly);
    QString ContentType;
    Client->HTTPGet(Server.Url("/second"), Out, ContentType, false);
    EXPECT_EQ(Client->Referer(), Server.Url("/first"));
    GetWith(*Client, Server.Url("/third"));

    const auto Requests = Server.Requests();
    ASSERT_EQ(Requests.size(), 3u);
    EXPECT_FALSE(Requests[0].HasHeader("Referer"));
    EXPECT_EQ(Requests[1].Header("Referer"), Server.Url("/first").toUtf8());
    EXPECT_EQ(Requests[2].Header("Referer"), Server.Url("/first").toUtf8());
}

TEST(HTTPClientRequestTest, RelativeURLsResolveAgainstTheReferer)
{
    ScriptedHttpServer Server;
    Server.SetFallback([](const RecordedRequest&) { return ScriptedReply::Ok("x"); });
    struct Case {
        QString Referer;
        QString URL;
        QByteArray ExpectedPath;
    };
    const QString Root = Server.Url(QString());
    const Case Cases[] = {
        { Root + "/dir/page.html", "/other/x.html", "/other/x.html" },
        { Root + "/dir/page.html", "file.html", "/dir/file.html" },
        { Root + "/dir/page.html?next=/a/b", "file.html", "/dir/file.html" },
        { Root + "?q=/a/b", "file.html", "/file.html" },
        { Root, "file.html", "/file.html" },
        { Root, "/abs", "/abs" },
        { Root + "/dir/", "a b.html", "/dir/a%20b.html" },
        { Root + "/dir/page", "sub?x=1", "/dir/sub/?x=1" },
    };
    auto Client = MakeTestClient();
    for (const Case& C : Cases) {
        Client->SetReferer(C.Referer);
        const GetOutcome Outcome = GetWith(*Client, C.URL);
        EXPECT_EQ(Outcome.ErrorMessage, QString()) << C.URL.toStdString();
        EXPECT_EQ(Server.Requests().back().Path, C.ExpectedPath)
            << C.Referer.toStdString() << " + " << C.URL.toStdString();
    }
}

TEST(HTTPClientRequestTest, PostFormsSendTheirBodyOnTheFirstPassOnly)
{
    ScriptedHttpServer Server;
    Server.On("/stream", ScriptedReply::Redirect(303, "/done"));
    Server.On("/form", ScriptedReply::Ok("form"));
    Server.On("/multi", ScriptedReply::Ok("multi"));
    Server.On("/done", ScriptedReply::Ok("done"));
    auto Client = MakeTestClient();
    QByteArray Body;
    QBuffer Out(&Body);
    Out.open(QIODevice::WriteOnly);
    QString ContentType;

    EXPECT_EQ(
        PostStreamWith(*Client, Server.Url("/stream"), "raw payload", QStringLiteral("text/plain")), "done");

    TStringList Form;
    Form.Add(QStringLiteral("name=J\u00f6rg & co"));
    Form.Add(QStringLiteral("empty="));
    Client->HTTPPost(Server.Url("/form"), Form, Out, ContentType);

    TMultipartFormData Multipart;
    Multipart.AddFormField(QStringLiteral("field"), QStringLiteral("value"));
    Multipart.AddFile(
        QStringLiteral("upload"), QStringLiteral("a.txt"), QStringLiteral("text/plain"), "file data");
    Client->HTTPPost(Server.Url("/multi"), Multipart, Out, ContentType);

    const auto Requests = Server.Requests();
    ASSERT_EQ(Requests.size(), 4u);
    EXPECT_EQ(Requests[0].Method, "POST");
    EXPECT_EQ(Requests[0].Body, "raw payload");
    EXPECT_EQ(Requests[0].Header("Content-Type"), "text/plain");
    EXPECT_EQ(Requests[1].Method, "GET");
    EXPECT_EQ(Requests[1].Path, "/done");
    EXPECT_TRUE(Requests[1].Body.isEmpty());
    EXPECT_FALSE(Requests[1].HasHeader("Content-Type"));
    EXPECT_EQ(Requests[2].Body, "name=J%C3%B6rg%20%26%20co&empty=");
    EXPECT_EQ(Requests[2].Header("Content-Type"), "application/x-www-form-urlencoded; charset=UTF-8");
    EXPECT_EQ(Requests[3].Header("Content-Type"), Multipart.ContentType().toUtf8());
    EXPECT_EQ(Requests[3].Body, Multipart.Body());
    EXPECT_TRUE(
        Requests[3].Body.contains("filename=\"a.txt\"\r\nContent-Type: text/plain\r\n\r\nfile data\r\n"));
}

TEST(HTTPClientRequestTest, APostThatFailsIsNotSentAgain)
{
    ScriptedHttpServer Server;
    Server.SetFallback(
        [](const RecordedRequest&) { return ScriptedReply::Raw({}, ScriptedReply::Then::Close); });
    auto Client = MakeTestClient();
    EXPECT_THROW(
        PostStreamWith(*Client, Server.Url("/p"), "a=1", QStringLiteral("application/x-www-form-urlencoded")),
        EConnectionClosed);
    const auto Requests = Server.Requests();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Method, "POST");
}

TEST(HTTPClientRequestTest, PostOnAKeptConnectionThatDiesIsSentWholeOnANewOne)
{
    ScriptedHttpServer Server;
    Server.SetFallback([](const RecordedRequest& Request) {
        if (Request.Method == "POST" && Request.ConnectionId == 1)
            return ScriptedReply::Raw({}, ScriptedReply::Then::Close);
        return ScriptedReply::Ok("got " + Request.Body);
    });
    auto Client = MakeTestClient();
    EXPECT_EQ(GetWith(*Client, Server.Url("/a")).Body, "got ");
    const QByteArray Payload = QByteArray("0123456789").repeated(1000);
    EXPECT_EQ(PostStreamWith(*Client, Server.Url("/a/post"), Payload, QStringLiteral("text/plain")),
        "got " + Payload);
    EXPECT_EQ(Server.Requests().back().ConnectionId, 2);
}
