#pragma once

#include "containers/Exception.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <sys/types.h>

HARVO_DECLARE_EXCEPTION(ENginxError, Exception)

// One `location` block of the generated server: Match is what follows the
// keyword ("= /old", "/ru/", "~ \.php$"), Body the directives inside it.
struct NginxLocation {
    QString Match;
    QString Body;
};

// What a test server serves and how. Everything not set here is nginx's
// default, except that responses carry no charset unless a location adds one.
struct NginxOptions {
    QString RootFolder;
    bool Gzip = false;
    // When both are set: TLS with HTTP/2 offered, and BaseURL() is https.
    QString TlsCertificateFile;
    QString TlsKeyFile;
    QList<NginxLocation> Locations;
    QString ServerConfig; // raw directives inside the server block

    NginxOptions& AddLocation(const QString& Match, const QString& Body);
    // Responses under Match name Charset in their Content-Type (no conversion).
    NginxOptions& AddCharset(const QString& Match, const QString& Charset);
    // GET Path answers Status (301, 302, 307 ...) with Target as its Location.
    NginxOptions& AddRedirect(const QString& Path, int Status, const QString& Target);
};

// A real nginx on 127.0.0.1 and a free port, serving a folder, for tests that
// need a whole web server. It runs in the foreground as one process of the
// current user, with its configuration, pid file, logs and temporary folders
// in a private temporary folder. The constructor returns once the port
// accepts connections; the destructor stops the server within a few seconds.
// The server dies with the thread that started it, so a test that is killed
// leaves no server behind.
class NginxServer {
public:
    explicit NginxServer(const NginxOptions& Options);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    quint16 Port() const { return FPort; }
    // "127.0.0.1:<port>"
    QString HostAndPort() const;
    // "http://127.0.0.1:<port>/"
    QString BaseURL() const;

    // One line per request answered so far, "<method> <target> <status>", in
    // the order they were answered (query included, fragment never sent).
    QStringList RequestLog() const;
    QString ErrorLog() const;

    // The nginx program: $HARVO_NGINX when set, else /usr/sbin/nginx, else
    // the first nginx on the PATH; empty when there is none.
    static QString FindBinary();

private:
    bool TryStart(const QString& Binary);
    void Stop();
    QString PrefixPath(const QString& Name) const;

    NginxOptions FOptions;
    std::unique_ptr<QTemporaryDir> FPrefix;
    quint16 FPort = 0;
    pid_t FPid = -1;
};
