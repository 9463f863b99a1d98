#pragma once

#include <QTemporaryDir>

typedef struct ssl_ctx_st SSL_CTX;

// A self-signed certificate for 127.0.0.1 made at test time with the openssl
// tool, and a server TLS context that uses it.
class TestCertificate {
public:
    TestCertificate();
    ~TestCertificate();
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;

    SSL_CTX* Context() const { return FContext; }
    // The PEM files, for servers that load them themselves.
    QString CertificateFile() const { return FFolder.filePath(QStringLiteral("cert.pem")); }
    QString KeyFile() const { return FFolder.filePath(QStringLiteral("key.pem")); }

private:
    QTemporaryDir FFolder;
    SSL_CTX* FContext = nullptr;
};
