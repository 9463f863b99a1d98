#include "ClientTestSupport.h"
#include "support/GZipFixture.h"

#include <QElapsedTimer>

namespace {

ScriptedReply Encoded(const QByteArray& Encoding, const QByteArray& Body)
{
    return ScriptedReply::Status(
        200, "OK", { "Content-Type: text/plain", "Content-Encoding: " + Encoding }, Body);
}

} // namespace

TEST(HTTPClientBodyTest, CompressedBodiesAreDecodedOrPassedThrough)
{
    const QByteArray Plain = QByteArray("Harvo body text, repeated. ").repeated(400);
    const QByteArray Gzip = GZip(Plain);
    QByteArray BadCrc = Gzip;
    BadCrc[BadCrc.size() - 8] = char(BadCrc[BadCrc.size() - 8] ^ 0x55);
    struct Case {
        const char* Name;
        QByteArray Encoding;
        QByteArray Sent;
        bool NoGZipDeflate;
        QByteArray Expected;
    };
    const Case Cases[] = {
        { "gzip", "gzip", Gzip, false, Plain },
        { "deflate", "deflate", ZLibCompress(Plain), false, Plain },
        { "gzip with a wrong CRC keeps the data", "gzip", BadCrc, false, Plain },
        { "gzip of several members", "gzip", Gzip + GZip("and more"), false, Plain + "and more" },
        { "raw deflate sent as deflate", "deflate", RawDeflate(Plain), false, QByteArray() },
        { "unknown encoding is copied", "br", "as sent", false, "as sent" },
        { "decoding off", "gzip", Gzip, true, Gzip },
    };
    ScriptedHttpServer Server;
    auto Client = MakeTestClient();
    for (const Case& C : Cases) {
        Server.On("/body", Encoded(C.Encoding, C.Sent));
        const GetOutcome Outcome = GetWith(*Client, Server.Url("/body"), C.NoGZipDeflate);
        EXPECT_EQ(Outcome.ErrorClass, QString()) << C.Name;
        EXPECT_EQ(Outcome.Body, C.Expected) << C.Name;
        EXPECT_EQ(Outcome.ContentType, QStringLiteral("text/plain")) << C.Name;
        EXPECT_EQ(Server.Requests().back().HasHeader("Accept-Encoding"), !C.NoGZipDeflate) << C.Name;
    }

    Client->SetGZipDeflate(false);
    Server.On("/body", Encoded("gzip", Gzip));
    EXPECT_EQ(GetWith(*Client, Server.Url("/body")).Body, Gzip);
    EXPECT_FALSE(Server.Requests().back().HasHeader("Accept-Encoding"));
}

TEST(HTTPClientBodyTest, BrokenCompressedBodiesKeepTheDecodedPrefix)
{
    const QByteArray Plain = QByteArray("0123456789abcdef").repeated(20000);
    const QByteArray Gzip = GZip(Plain);
    QByteArray Corrupt = Gzip;
    Corrupt[10] = char(0xFF); // the first deflate block claims the reserved type
    ScriptedHttpServer Server;
    auto Client = MakeTestClient();
    for (const QByteArray& Sent : { Gzip.left(Gzip.size() / 2), Corrupt }) {
        Server.On("/body", Encoded("gzip", Sent));
        const GetOutcome Outcome = GetWith(*Client, Server.Url("/body"));
        EXPECT_EQ(Outcome.ErrorClass, QString());
        EXPECT_LT(Outcome.Body.size(), Plain.size());
        EXPECT_EQ(Outcome.Body.isEmpty(), Sent == Corrupt);
        EXPECT_TRUE(Plain.startsWith(Outcome.Body));
    }
}

TEST(HTTPClientBodyTest, EmptyAndChunkedBodies)
{
    ScriptedHttpServer Server;
    Server.On("/empty", Encoded("gzip", {}));
    Server.On("/chunked",
        ScriptedReply::Raw("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n"
                           "\r\n5\r\nhello\r\n7\r\n, world\r\n0\r\n\r\n"));
    Server.On("/chunked-gzip",
        ScriptedReply::Raw("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n"
            + QByteArray::number(GZip("zipped").size(), 16) + "\r\n" + GZip("zipped") + "\r\n0\r\n\r\n"));
    auto Client = MakeTestClient();
    const GetOutcome Empty = GetWith(*Client, Server.Url("/empty"));
    EXPECT_EQ(Empty.ErrorClass, QString());
    EXPECT_TRUE(Empty.Body.isEmpty());
    EXPECT_EQ(GetWith(*Client, Server.Url("/chunked")).Body, "hello, world");
    EXPECT_EQ(GetWith(*Client, Server.Url("/chunked-gzip")).Body, "zipped");
}

TEST(HTTPClientBodyTest, ContentLengthThatLies)
{
    ScriptedHttpServer Server;
    Server.On("/short", ScriptedReply::Raw("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nabcdEXTRA"));
    Server.On("/long-closed",
        ScriptedReply::Raw(
            "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this", ScriptedReply::Then::Close));
    Server.On("/long-held",
        ScriptedReply::Raw(
            "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this", ScriptedReply::Then::Hold));
    Server.On("/next", ScriptedReply::Ok("next page"));
    auto Client = MakeTestClient();

    EXPECT_EQ(GetWith(*Client, Server.Url("/short")).Body, "abcd");
    // The extra bytes must not be read as the next reply.
    EXPECT_EQ(GetWith(*Client, Server.Url("/next")).Body, "next page");

    for (const bool Decoding : { true, false }) {
        const GetOutcome Closed = GetWith(*Client, Server.Url("/long-closed"), !Decoding);
        EXPECT_EQ(Closed.ErrorClass, QStringLiteral("EConnectionClosed"));
        // The body streams to the output as it arrives; the failure tells
        // the caller to drop what came.
        EXPECT_EQ(Closed.Body, QByteArray("only this"));
    }

    QElapsedTimer Timer;
    Timer.start();
    const GetOutcome Held = GetWith(*Client, Server.Url("/long-held"));
    EXPECT_EQ(Held.ErrorClass, QStringLiteral("EReadTimeout"));
    EXPECT_LT(Timer.elapsed(), TestReadTimeoutMs + 700);
    EXPECT_EQ(GetWith(*Client, Server.Url("/next")).Body, "next page");
}

TEST(HTTPClientBodyTest, ResponseCharsetSources)
{
    struct Case {
        QByteArray ContentType;
        QByteArray Body;
        QString Expected;
    };
    const Case Cases[] = {
        { "text/html; charset=UTF-8", "<meta charset=koi8-r>", "UTF-8" },
        { "text/html; Charset=\"windows-1251\"", "", "windows-1251" },
        { "text/html", "<html><head><META http-equiv=Content-Type content=\"text/html; charset=shift_jis\">",
            "shift_jis" },
        { "text/html", "<meta charset='euc-kr'/>", "euc-kr" },
        { "text/html", "<p>no declaration</p>", "ISO-8859-1" },
        { "text/plain", "<meta charset=utf-8>", "ISO-8859-1" },
        { "text/xml", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>", "UTF-16" },
        { "application/xml", "<?xml version='1.0' encoding='koi8-r'?><a/>", "koi8-r" },
        { "text/xml", "<a/>", "us-ascii" },
        { "application/xml", "<a/>", "" },
        { "image/png", "<meta charset=utf-8>", "" },
        { "", "", "" },
    };
    ScriptedHttpServer Server;
    auto Client = MakeTestClient();
    for (const Case& C : Cases) {
        QList<QByteArray> Headers;
        if (!C.ContentType.isEmpty())
            Headers << "Content-Type: " + C.ContentType;
        Server.On("/page", ScriptedReply::Status(200, "OK", Headers, C.Body));
        GetWith(*Client, Server.Url("/page"));
        EXPECT_EQ(Client->GetResponseCharset(), C.Expected)
            << C.ContentType.constData() << " " << C.Body.constData();
    }
}

TEST(HTTPClientBodyTest, ResponseHeadersByNameIgnoringCase)
{
    ScriptedHttpServer Server;
    Server.On("/h",
        ScriptedReply::Status(200, "OK", { "X-Twice: first", "x-twice: second", "X-Spaced:   padded  " }));
    auto Client = MakeTestClient();
    GetWith(*Client, Server.Url("/h"));
    EXPECT_EQ(Client->GetResponseHeader(QStringLiteral("x-TWICE")), QStringLiteral("first"));
    EXPECT_EQ(Client->GetResponseHeader(QStringLiteral("X-Spaced")), QStringLiteral("padded"));
    EXPECT_EQ(Client->GetResponseHeader(QStringLiteral("Content-Length")), QStringLiteral("0"));
    EXPECT_EQ(Client->GetResponseHeader(QStringLiteral("Missing")), QString());
}

TEST(HTTPClientBodyTest, OutputStreamFailurePropagatesUnchanged)
{
    ScriptedHttpServer Server;
    Server.On("/page", ScriptedReply::Ok("body"));
    auto Client = MakeTestClient();
    QBuffer ReadOnly;
    ReadOnly.open(QIODevice::ReadOnly);
    QString ContentType;
    EXPECT_THROW(Client->HTTPGet(Server.Url("/page"), ReadOnly, ContentType, true, true), EStreamWriteError);
    EXPECT_EQ(Server.RequestCount(), 1);
}
