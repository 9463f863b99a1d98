#pragma once

#include <QTemporaryDir>

typedef struct ssl_ctx_st SSL_CTX;

// Which certificate a test server shows.
enum class TestCertificateKind {
    SelfSigned, // for 127.0.0.1, signed by itself
    Trusted, // for 127.0.0.1, signed by the test CA
    Expired, // for 127.0.0.1, signed by the test CA, no longer valid
    WrongHost, // for another host name, signed by the test CA
};

// A certificate made at test time, and a server TLS context that uses it.
// The self-signed one comes from the openssl tool; the others are issued by
// a CA of their own, made for them.
class TestCertificate {
public:
    explicit TestCertificate(TestCertificateKind Kind = TestCertificateKind::SelfSigned);
    ~TestCertificate();
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;

    SSL_CTX* Context() const { return FContext; }
    // The PEM files, for servers that load them themselves.
    QString CertificateFile() const { return FFolder.filePath(QStringLiteral("cert.pem")); }
    QString KeyFile() const { return FFolder.filePath(QStringLiteral("key.pem")); }
    // The test CA's certificate, for a client to check the others with.
    QString AuthorityFile() const { return FFolder.filePath(QStringLiteral("ca.pem")); }

private:
    void MakeSelfSigned();
    void MakeIssued(TestCertificateKind Kind);

    QTemporaryDir FFolder;
    SSL_CTX* FContext = nullptr;
};
