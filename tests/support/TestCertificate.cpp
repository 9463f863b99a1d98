#include "support/TestCertificate.h"

#include <QProcess>
#include <openssl/ssl.h>
#include <stdexcept>

TestCertificate::TestCertificate()
{
    const QString Key = KeyFile();
    const QString Certificate = CertificateFile();
    QProcess OpenSsl;
    OpenSsl.start(QStringLiteral("openssl"),
        { QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
            QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
            QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
            QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"), Key, QStringLiteral("-out"),
            Certificate });
    if (!OpenSsl.waitForFinished(30000) || OpenSsl.exitCode() != 0)
        throw std::runtime_error("openssl could not make a test certificate");
    FContext = SSL_CTX_new(TLS_server_method());
    if (!FContext
        || SSL_CTX_use_certificate_file(FContext, Certificate.toLocal8Bit().constData(), SSL_FILETYPE_PEM)
            != 1
        || SSL_CTX_use_PrivateKey_file(FContext, Key.toLocal8Bit().constData(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(FContext);
        throw std::runtime_error("the test certificate could not be loaded");
    }
}

TestCertificate::~TestCertificate()
{
    SSL_CTX_free(FContext);
}
