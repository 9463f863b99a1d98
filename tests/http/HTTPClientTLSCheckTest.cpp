// Certificate checks: on, a server is trusted only through a CA the client
// was given (or the system's store) and only for its own host name.
#include "ClientTestSupport.h"

#include "http/TransferHub.h"
#include "support/TestCertificate.h"

namespace {

struct TlsCheckCase {
    const char* Name;
    TestCertificateKind Kind;
    bool Verify;
    bool WithAuthority; // the test CA's file given to the client
    const char* Failure; // the end of the message; empty: accepted
};

class HTTPClientTLSCheckTest : public ::testing::TestWithParam<TlsCheckCase> { };

TEST_P(HTTPClientTLSCheckTest, AcceptsOnlyWhatTheCheckAllows)
{
    const TlsCheckCase& Case = GetParam();
    TestCertificate Certificate(Case.Kind);
    ScriptedHttpServer Server(&Certificate);
    Server.On("/", ScriptedReply::Ok("secret"));
    auto Client = MakeTestClient();
    Client->SetVerifyTLS(Case.Verify, Case.WithAuthority ? Certificate.AuthorityFile() : QString());

    const GetOutcome Outcome = GetWith(*Client, Server.Url("/"));

    if (!*Case.Failure) {
        EXPECT_EQ(Outcome.ErrorMessage, QString());
        EXPECT_EQ(Outcome.Body, "secret");
        return;
    }
    EXPECT_EQ(Outcome.ErrorClass, "ECertificateError");
    EXPECT_TRUE(Outcome.ErrorMessage.startsWith("Certificate check failed for 127.0.0.1: "))
        << Outcome.ErrorMessage.toStdString();
    EXPECT_TRUE(Outcome.ErrorMessage.endsWith(QLatin1String(Case.Failure)))
        << Outcome.ErrorMessage.toStdString();
    EXPECT_TRUE(Outcome.Body.isEmpty());
    EXPECT_EQ(Server.RequestCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, HTTPClientTLSCheckTest,
    ::testing::Values(TlsCheckCase { "TrustedWithItsCA", TestCertificateKind::Trusted, true, true, "" },
        TlsCheckCase { "TrustedWithoutItsCA", TestCertificateKind::Trusted, true, false,
            "unable to get local issuer certificate" },
        TlsCheckCase {
            "SelfSigned", TestCertificateKind::SelfSigned, true, false, "self-signed certificate" },
        TlsCheckCase { "Expired", TestCertificateKind::Expired, true, true, "certificate has expired" },
        TlsCheckCase { "WrongHost", TestCertificateKind::WrongHost, true, true,
            "the certificate is for another host name" },
        TlsCheckCase { "ExpiredUnchecked", TestCertificateKind::Expired, false, false, "" },
        TlsCheckCase { "WrongHostUnchecked", TestCertificateKind::WrongHost, false, false, "" },
        TlsCheckCase { "SelfSignedUnchecked", TestCertificateKind::SelfSigned, false, false, "" }),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Siblings are made with the model's checks, so a crawl that fetches ahead
// checks every connection.
TEST(HTTPClientTLSCheck, SiblingsCheckAsTheirModel)
{
    TestCertificate Certificate(TestCertificateKind::Expired);
    ScriptedHttpServer Server(&Certificate);
    Server.On("/", ScriptedReply::Ok("secret"));
    auto Model = MakeTestClient();
    Model->SetVerifyTLS(true, Certificate.AuthorityFile());
    const auto Sibling = Model->Sibling(std::make_shared<TTransferHub>());

    EXPECT_EQ(GetWith(*Sibling, Server.Url("/")).ErrorClass, "ECertificateError");
}

} // namespace
