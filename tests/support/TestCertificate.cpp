#include "support/TestCertificate.h"

#include <QProcess>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace {

constexpr long Day = 24 * 3600;

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertPtr = std::unique_ptr<X509, decltype(&X509_free)>;

KeyPtr NewKey()
{
    KeyPtr Key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    if (!Key)
        throw std::runtime_error("no test key");
    return Key;
}

void AddExtension(X509* Cert, X509* Issuer, int Id, const char* Value)
{
    X509V3_CTX Context;
    X509V3_set_ctx(&Context, Issuer, Cert, nullptr, nullptr, 0);
    X509_EXTENSION* Extension = X509V3_EXT_conf_nid(nullptr, &Context, Id, Value);
    if (!Extension || X509_add_ext(Cert, Extension, -1) != 1)
        throw std::runtime_error("a test certificate extension was refused");
    X509_EXTENSION_free(Extension);
}

// A certificate for Key named Name, valid from FromSec to ToSec (from now),
// signed by IssuerKey as Issuer (itself when null).
CertPtr NewCertificate(
    EVP_PKEY* Key, const char* Name, long FromSec, long ToSec, X509* Issuer, EVP_PKEY* IssuerKey, long Serial)
{
    CertPtr Cert(X509_new(), X509_free);
    X509_set_version(Cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(Cert.get()), Serial);
    X509_gmtime_adj(X509_getm_notBefore(Cert.get()), FromSec);
    X509_gmtime_adj(X509_getm_notAfter(Cert.get()), ToSec);
    X509_set_pubkey(Cert.get(), Key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(Cert.get()), "CN", MBSTRING_ASC,
        reinterpret_cast<const unsigned char*>(Name), -1, -1, 0);
    X509* Signer = Issuer ? Issuer : Cert.get();
    X509_set_issuer_name(Cert.get(), X509_get_subject_name(Signer));
    if (Issuer) {
        AddExtension(Cert.get(), Signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(Cert.get(), Signer, NID_subject_alt_name,
            std::string(Name) == "127.0.0.1" ? "IP:127.0.0.1" : (std::string("DNS:") + Name).c_str());
    } else {
        AddExtension(Cert.get(), Signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(Cert.get(), Signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    }
    if (X509_sign(Cert.get(), IssuerKey ? IssuerKey : Key, EVP_sha256()) <= 0)
        throw std::runtime_error("a test certificate could not be signed");
    return Cert;
}

void WritePem(const QString& Path, const std::function<int(FILE*)>& Write)
{
    FILE* File = fopen(Path.toLocal8Bit().constData(), "w");
    const bool Written = File && Write(File) == 1;
    if (File)
        fclose(File);
    if (!Written)
        throw std::runtime_error("a test certificate file could not be written");
}

} // namespace

TestCertificate::TestCertificate(TestCertificateKind Kind)
{
    if (Kind == TestCertificateKind::SelfSigned)
        MakeSelfSigned();
    else
        MakeIssued(Kind);
    const QString Key = KeyFile();
    const QString Certificate = CertificateFile();
    FContext = SSL_CTX_new(TLS_server_method());
    if (!FContext
        || SSL_CTX_use_certificate_file(FContext, Certificate.toLocal8Bit().constData(), SSL_FILETYPE_PEM)
            != 1
        || SSL_CTX_use_PrivateKey_file(FContext, Key.toLocal8Bit().constData(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(FContext);
        throw std::runtime_error("the test certificate could not be loaded");
    }
}

void TestCertificate::MakeSelfSigned()
{
    QProcess OpenSsl;
    OpenSsl.start(QStringLiteral("openssl"),
        { QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
            QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
            QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
            QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"), KeyFile(), QStringLiteral("-out"),
            CertificateFile() });
    if (!OpenSsl.waitForFinished(30000) || OpenSsl.exitCode() != 0)
        throw std::runtime_error("openssl could not make a test certificate");
}

void TestCertificate::MakeIssued(TestCertificateKind Kind)
{
    const KeyPtr AuthorityKey = NewKey();
    const CertPtr Authority
        = NewCertificate(AuthorityKey.get(), "Test CA", -Day, 3 * Day, nullptr, nullptr, 1);
    const KeyPtr Key = NewKey();
    const bool Expired = Kind == TestCertificateKind::Expired;
    const CertPtr Cert
        = NewCertificate(Key.get(), Kind == TestCertificateKind::WrongHost ? "elsewhere.test" : "127.0.0.1",
            Expired ? -2 * Day : -Day, Expired ? -Day : 2 * Day, Authority.get(), AuthorityKey.get(), 2);
    WritePem(AuthorityFile(), [&](FILE* File) { return PEM_write_X509(File, Authority.get()); });
    WritePem(CertificateFile(), [&](FILE* File) { return PEM_write_X509(File, Cert.get()); });
    WritePem(KeyFile(), [&](FILE* File) {
        return PEM_write_PrivateKey(File, Key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
}

TestCertificate::~TestCertificate()
{
    SSL_CTX_free(FContext);
}
