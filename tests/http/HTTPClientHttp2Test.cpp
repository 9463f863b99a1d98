#include "ClientTestSupport.h"

#include "support/Files.h"
#include "support/NginxServer.h"
#include "support/TestCertificate.h"

#include <QTemporaryDir>

// A real server that offers HTTP/2 over TLS: bodies, compression and failed
// replies come through as they do over HTTP/1.1.
TEST(HTTPClientHttp2Test, AServerOfferingHttp2IsFetchedOverIt)
{
    if (NginxServer::FindBinary().isEmpty())
        GTEST_SKIP() << "nginx is not installed";
    QTemporaryDir Root;
    QByteArray Large;
    for (int I = 0; I < 50000; ++I)
        Large += QByteArray::number(I * 7919 % 100003) + ' ';
    WriteFile(Root.filePath(QStringLiteral("page.html")), "<p>over two</p>");
    WriteFile(Root.filePath(QStringLiteral("large.txt")), Large);
    TestCertificate Certificate;
    NginxOptions Options;
    Options.RootFolder = Root.path();
    Options.Gzip = true;
    Options.TlsCertificateFile = Certificate.CertificateFile();
    Options.TlsKeyFile = Certificate.KeyFile();
    NginxServer Server(Options);

    auto Client = MakeTestClient();
    Client->SetReadTimeoutMs(5000);
    for (int Round = 0; Round < 2; ++Round) {
        const GetOutcome Page = GetWith(*Client, Server.BaseURL() + QStringLiteral("page.html"));
        EXPECT_EQ(Page.Body, "<p>over two</p>") << Page.ErrorMessage.toStdString();
        EXPECT_EQ(Page.ContentType, QStringLiteral("text/html"));
        const GetOutcome Text = GetWith(*Client, Server.BaseURL() + QStringLiteral("large.txt"));
        EXPECT_EQ(Text.Body, Large) << Text.ErrorMessage.toStdString();
        EXPECT_EQ(Client->GetResponseHeader(QStringLiteral("content-encoding")), QStringLiteral("gzip"));
    }
    const GetOutcome Missing = GetWith(*Client, Server.BaseURL() + QStringLiteral("missing.html"));
    EXPECT_EQ(Missing.ReplyCode, 404);
    // HTTP/2 has no reason phrase: the status line names the protocol.
    EXPECT_EQ(Missing.ErrorMessage, QStringLiteral("HTTP/2 404"));
}
