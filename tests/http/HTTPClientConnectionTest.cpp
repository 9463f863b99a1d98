#include "ClientTestSupport.h"

#include "support/Loopback.h"
#include "support/ProxyServer.h"
#include "support/TestCertificate.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <cerrno>
#include <map>

namespace {

ScriptedReply EchoPath(const RecordedRequest& Request)
{
    return ScriptedReply::Ok("path " + Request.Path);
}

// The time a step took differs from run to run: an error naming it would
// make two logs of one site differ.
bool NamesElapsedTime(const QString& Message)
{
    return Message.contains(QRegularExpression(QStringLiteral("\\d+ (ms|milliseconds)\\b")));
}

} // namespace

TEST(HTTPClientConnectionTest, ConnectionsAreKeptPerPlaceForPlainAndTls)
{
    TestCertificate Certificate;
    ScriptedHttpServer First;
    ScriptedHttpServer Second;
    ScriptedHttpServer Secure(&Certificate);
    for (ScriptedHttpServer* Server : { &First, &Second, &Secure })
        Server->SetFallback(EchoPath);
    // Paths that start differently, servers taken in turn: each place keeps
    // its one connection all along.
    const std::pair<ScriptedHttpServer*, const char*> Steps[] = {
        { &First, "/a/1" },
        { &First, "/b" },
        { &Secure, "/same" },
        { &Second, "/c" },
        { &First, "/" },
        { &Secure, "/other?x" },
        { &Second, "/a" },
        { &Secure, "/same" },
    };
    auto Client = MakeTestClient();
    for (const auto& [Server, Path] : Steps) {
        const GetOutcome Outcome = GetWith(*Client, Server->Url(QString::fromLatin1(Path)));
        EXPECT_EQ(Outcome.Body, QByteArray("path ") + Path) << Outcome.ErrorMessage.toStdString();
    }
    EXPECT_EQ(First.ConnectionCount(), 1);
    EXPECT_EQ(Second.ConnectionCount(), 1);
    EXPECT_EQ(Secure.ConnectionCount(), 1);
    EXPECT_EQ(Secure.RequestCount(), 3);
    EXPECT_EQ(
        First.ClosedConnectionCount() + Second.ClosedConnectionCount() + Secure.ClosedConnectionCount(), 0);
}

TEST(HTTPClientConnectionTest, EveryBodyArrivesWhenTheServerEndsKeptConnections)
{
    // How the server ends each connection: after its second reply (with or
    // without saying so), or on its third request, left unanswered.
    enum class TEnd { ConnectionCloseHeader, SilentClose, DropTheThirdRequest };
    for (const TEnd End : { TEnd::ConnectionCloseHeader, TEnd::SilentClose, TEnd::DropTheThirdRequest }) {
        SCOPED_TRACE(int(End));
        ScriptedHttpServer Server;
        std::map<int, int> RequestsPerConnection; // the client sends one request at a time
        Server.SetFallback([&](const RecordedRequest& Request) {
            const int Count = ++RequestsPerConnection[Request.ConnectionId];
            if (End == TEnd::DropTheThirdRequest && Count == 3)
                return ScriptedReply::Raw({}, ScriptedReply::Then::Close);
            const bool Last = End != TEnd::DropTheThirdRequest && Count == 2;
            QList<QByteArray> Headers;
            if (Last && End == TEnd::ConnectionCloseHeader)
                Headers.push_back("Connection: close");
            ScriptedReply Reply = ScriptedReply::Status(200, "OK", Headers, "path " + Request.Path);
            if (Last)
                Reply.After = ScriptedReply::Then::Close;
            return Reply;
        });
        auto Client = MakeTestClient();
        for (const char* Path : { "/1", "/2", "/3", "/4", "/5", "/6" }) {
            const GetOutcome Outcome = GetWith(*Client, Server.Url(QString::fromLatin1(Path)));
            EXPECT_EQ(Outcome.Body, QByteArray("path ") + Path) << Outcome.ErrorMessage.toStdString();
        }
        EXPECT_EQ(Server.ConnectionCount(), 3);
    }
}

TEST(HTTPClientConnectionTest, CookiesAreKeptPerClientOrReplacedByTheCustomCookie)
{
    ScriptedHttpServer Server;
    Server.On("/login", ScriptedReply::Status(200, "OK", { "Set-Cookie: sid=abc; Path=/" }));
    Server.On("/other", ScriptedReply::Status(200, "OK", { "Set-Cookie: late=1; Path=/" }));
    Server.SetFallback(EchoPath);
    auto Client = MakeTestClient();
    GetWith(*Client, Server.Url("/login"));
    GetWith(*Client, Server.Url("/page"));
    EXPECT_EQ(Server.Requests().back().Header("Cookie"), "sid=abc");

    Client->SetCustomCookie(QStringLiteral("fixed=1; two=2"));
    GetWith(*Client, Server.Url("/other"));
    EXPECT_EQ(Server.Requests().back().Header("Cookie"), "fixed=1; two=2");
    GetWith(*Client, Server.Url("/page"));
    EXPECT_EQ(Server.Requests().back().Header("Cookie"), "fixed=1; two=2");

    Client->SetCustomCookie(QString());
    GetWith(*Client, Server.Url("/page"));
    EXPECT_EQ(Server.Requests().back().Header("Cookie"), "sid=abc");

    auto Fresh = MakeTestClient();
    GetWith(*Fresh, Server.Url("/page"));
    EXPECT_FALSE(Server.Requests().back().HasHeader("Cookie"));
}

TEST(HTTPClientConnectionTest, ProxyStringsPickTheProxyThatCarriesTheRequest)
{
    TestCertificate Certificate;
    ScriptedHttpServer Plain;
    ScriptedHttpServer Secure(&Certificate);
    Plain.SetFallback(EchoPath);
    Secure.SetFallback(EchoPath);
    ProxyServer Http(ProxyServer::Kind::HTTP);
    ProxyServer Socks4(ProxyServer::Kind::SOCKS4);
    ProxyServer Socks5(ProxyServer::Kind::SOCKS5);
    const QString Port4 = QString::number(Socks4.Port());
    const QString Port5 = QString::number(Socks5.Port());
    const QString PortH = QString::number(Http.Port());
    struct Case {
        QString ProxyText;
        TProxyType Type;
        ProxyServer* Expected; // nullptr: direct
    };
    const Case Cases[] = {
        { "127.0.0.1:" + PortH, ptAUTO, &Http },
        { "#127.0.0.1:" + PortH, ptAUTO, &Http },
        { "user@127.0.0.1:" + PortH, ptHTTPS, &Http },
        { "+127.0.0.1:" + Port4, ptAUTO, &Socks4 },
        { "127.0.0.1:" + Port4, ptSOCKS4, &Socks4 },
        { "*localhost:" + Port5, ptAUTO, &Socks5 },
        { "127.0.0.1:" + Port5, ptSOCKS5, &Socks5 },
        { "127.0.0.1:" + PortH, ptNoProxy, nullptr },
    };
    for (const Case& C : Cases) {
        auto Client = MakeTestClient(C.ProxyText, C.Type);
        const int Before = C.Expected ? C.Expected->ConnectionCount() : 0;
        for (ScriptedHttpServer* Server : { &Plain, &Secure }) {
            const GetOutcome Outcome = GetWith(*Client, Server->Url("/via"));
            EXPECT_EQ(Outcome.Body, "path /via")
                << C.ProxyText.toStdString() << " " << Outcome.ErrorMessage.toStdString();
        }
        if (C.Expected) {
            EXPECT_EQ(C.Expected->ConnectionCount(), Before + 2) << C.ProxyText.toStdString();
        }
    }
    EXPECT_EQ(Http.Targets().value(0), "127.0.0.1:" + QByteArray::number(Plain.Port()));
    EXPECT_EQ(Socks4.Targets().value(0), "127.0.0.1:" + QByteArray::number(Plain.Port()));
    EXPECT_EQ(Socks5.Targets().value(0), "127.0.0.1:" + QByteArray::number(Plain.Port()));
    const QByteArray PlainHead = Http.RequestHeads().value(0);
    EXPECT_TRUE(PlainHead.startsWith("GET " + Plain.Url("/via").toUtf8() + " HTTP/1.1\r\n"))
        << PlainHead.constData();
    EXPECT_TRUE(PlainHead.contains("\r\nProxy-Connection: Keep-Alive\r\n"));
    EXPECT_EQ(PlainHead.count("Proxy-Connection"), 1);
    EXPECT_TRUE(
        Http.RequestHeads().value(1).startsWith("CONNECT 127.0.0.1:" + QByteArray::number(Secure.Port())));
}

TEST(HTTPClientConnectionTest, FailuresEndWithTheirKindAndNeverHang)
{
    ScriptedHttpServer Server;
    Server.On("/no-status", ScriptedReply::Raw("hello there\r\n\r\n", ScriptedReply::Then::Close));
    Server.On("/huge-line",
        ScriptedReply::Raw("HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(1 << 20, 'a') + "\r\n\r\n"));
    Server.On("/silent", ScriptedReply::Silence());
    Server.On("/slow", [] {
        ScriptedReply Reply = ScriptedReply::Ok("late");
        Reply.DelayMs = TestReadTimeoutMs * 3;
        return Reply;
    }());
    Server.On("/close", ScriptedReply::Raw({}, ScriptedReply::Then::Close));
    ProxyServer Socks5(ProxyServer::Kind::SOCKS5);
    struct Case {
        QString URL;
        QString ProxyText;
        const char* ErrorClass;
    };
    const Case Cases[] = {
        { Server.Url("/no-status"), {}, "EHTTPTransportError" },
        { Server.Url("/huge-line"), {}, "EResponseLimitError" },
        { Server.Url("/silent"), {}, "EReadTimeout" },
        { Server.Url("/slow"), {}, "EReadTimeout" },
        { Server.Url("/close"), {}, "EConnectionClosed" },
        { QStringLiteral("http://127.0.0.1:%1/").arg(UnusedLoopbackPort()), {}, "ESocketError" },
        { QStringLiteral("http://no-such-host.invalid/"), {}, "EHTTPTransportError" },
        { QStringLiteral("http://127.0.0.1:%1/").arg(UnusedLoopbackPort()),
            QStringLiteral("*127.0.0.1:%1").arg(Socks5.Port()), "ESocksRequestFailed" },
    };
    for (const Case& C : Cases) {
        auto Client = MakeTestClient(C.ProxyText);
        QElapsedTimer Timer;
        Timer.start();
        const GetOutcome Outcome = GetWith(*Client, C.URL);
        EXPECT_EQ(Outcome.ErrorClass, QString::fromLatin1(C.ErrorClass)) << C.URL.toStdString();
        EXPECT_FALSE(Outcome.ErrorMessage.isEmpty()) << C.URL.toStdString();
        EXPECT_FALSE(NamesElapsedTime(Outcome.ErrorMessage)) << Outcome.ErrorMessage.toStdString();
        EXPECT_TRUE(Outcome.Body.isEmpty()) << C.URL.toStdString();
        EXPECT_LT(Timer.elapsed(), TestConnectTimeoutMs + TestReadTimeoutMs + 500) << C.URL.toStdString();
    }
}

TEST(HTTPClientConnectionTest, ManyHeadersAreKept)
{
    QList<QByteArray> Headers;
    for (int I = 0; I < 10000; ++I)
        Headers << "X-H" + QByteArray::number(I) + ": v" + QByteArray::number(I);
    ScriptedHttpServer Server;
    Server.On("/many", ScriptedReply::Status(200, "OK", Headers, "body"));
    auto Client = MakeTestClient();
    const GetOutcome Outcome = GetWith(*Client, Server.Url("/many"));
    EXPECT_EQ(Outcome.ErrorMessage, QString());
    EXPECT_EQ(Outcome.Body, "body");
    EXPECT_EQ(Client->GetResponseHeader(QStringLiteral("x-h9999")), QStringLiteral("v9999"));
}

TEST(HTTPClientConnectionTest, AFailureIsRaisedAndNeverRepeatedByTheClient)
{
    // Whether to ask again is the crawl's rule alone: the client sends each
    // request once, also on the last pass a redirect bound leaves.
    ScriptedHttpServer Server;
    Server.SetFallback(
        [](const RecordedRequest&) { return ScriptedReply::Raw({}, ScriptedReply::Then::Close); });
    for (const int MaxRedirects : { -1, 0 }) {
        auto Client = MakeTestClient();
        const int Before = Server.RequestCount();
        EXPECT_EQ(GetWith(*Client, Server.Url("/r"), false, MaxRedirects).ErrorClass,
            QStringLiteral("EConnectionClosed"));
        EXPECT_EQ(Server.RequestCount() - Before, 1) << MaxRedirects;
    }

    // A refused connection is reported with the errno.
    auto Client = MakeTestClient();
    QBuffer Out;
    Out.open(QIODevice::WriteOnly);
    QString ContentType;
    try {
        Client->HTTPGet(QStringLiteral("http://127.0.0.1:%1/").arg(UnusedLoopbackPort()), Out, ContentType);
        FAIL() << "a refused connection must raise";
    } catch (const ESocketError& Error) {
        EXPECT_EQ(Error.ErrorCode(), ECONNREFUSED);
    }
}

TEST(HTTPClientConnectionTest, AConnectTimeoutEndsTheRequestWithinItsBound)
{
    // A listener whose queue is full and never accepts: the handshake of a
    // further connection is never answered.
    const int Listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in Address = LoopbackAddress();
    socklen_t Length = sizeof Address;
    ASSERT_EQ(::bind(Listener, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
    ASSERT_EQ(::listen(Listener, 0), 0);
    ::getsockname(Listener, reinterpret_cast<sockaddr*>(&Address), &Length);
    std::vector<int> Fillers;
    for (int I = 0; I < 2; ++I) {
        Fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(Fillers.back(), reinterpret_cast<sockaddr*>(&Address), sizeof Address);
    }
    auto Client = MakeTestClient();
    Client->SetConnectTimeoutMs(300);
    QElapsedTimer Timer;
    Timer.start();
    const GetOutcome Outcome
        = GetWith(*Client, QStringLiteral("http://127.0.0.1:%1/").arg(ntohs(Address.sin_port)));
    EXPECT_EQ(Outcome.ErrorClass, QStringLiteral("EConnectTimeout")) << Outcome.ErrorMessage.toStdString();
    EXPECT_FALSE(NamesElapsedTime(Outcome.ErrorMessage)) << Outcome.ErrorMessage.toStdString();
    EXPECT_LT(Timer.elapsed(), 1000);
    for (const int Filler : Fillers)
        ::close(Filler);
    ::close(Listener);
}

TEST(HTTPClientConnectionTest, BoundAddressIsUsedForOutgoingConnections)
{
    ScriptedHttpServer Server;
    Server.SetFallback(EchoPath);
    THTTPClient Bound(QString(), ptAUTO, QString(), QStringLiteral("127.0.0.1"), 1, 1);
    EXPECT_EQ(GetWith(Bound, Server.Url("/b")).Body, "path /b");
    EXPECT_FALSE(Server.Requests().back().HasHeader("User-Agent"));
    THTTPClient Unusable(QString(), ptAUTO, QString(), QStringLiteral("192.0.2.1"), 1, 1);
    const GetOutcome Outcome = GetWith(Unusable, Server.Url("/b"));
    EXPECT_FALSE(Outcome.ErrorClass.isEmpty());
}
