#include "NginxConfig.h"

#include "NginxServer.h"

#include <QDir>

namespace {

// Our own table, so that what the tests see does not depend on the host's
// /etc/nginx.
const char MimeTypes[] = R"(    types {
        text/html html htm;
        text/css css;
        application/javascript js;
        text/plain txt;
        text/xml xml;
        application/rss+xml rss;
        image/png png;
        image/gif gif;
        image/jpeg jpg jpeg;
        image/svg+xml svg;
        image/x-icon ico;
        application/pdf pdf;
        application/zip zip;
    }
    default_type application/octet-stream;
)";

const char GzipOn[] = R"(    gzip on;
    gzip_min_length 1;
    gzip_http_version 1.0;
    gzip_types text/css application/javascript text/plain text/xml application/rss+xml image/svg+xml;
)";

QString Quoted(const QString& Path)
{
    return QLatin1Char('"') + Path + QLatin1Char('"');
}

QString Indented(const QString& Text, const QString& Indent)
{
    QString Result;
    for (const QString& Line : Text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        Result += Indent + Line.trimmed() + QLatin1Char('\n');
    return Result;
}

QString RenderLocation(const NginxLocation& Location)
{
    return QStringLiteral("        location %1 {\n%2        }\n")
        .arg(Location.Match, Indented(Location.Body, QStringLiteral("            ")));
}

} // namespace

QString RenderNginxConfig(const NginxOptions& Options, const QString& PrefixFolder, quint16 Port)
{
    const QDir Prefix(PrefixFolder);
    const auto In = [&Prefix](const char* Name) { return Quoted(Prefix.filePath(QLatin1String(Name))); };

    QString Config;
    Config += QStringLiteral("daemon off;\nmaster_process off;\nworker_processes 1;\n");
    Config += QStringLiteral("pid %1;\nerror_log %2 warn;\n").arg(In("nginx.pid"), In("error.log"));
    Config += QStringLiteral("events {\n    worker_connections 256;\n}\n");
    Config += QStringLiteral("http {\n");
    Config += QString::fromLatin1(MimeTypes);
    for (const char* Temp : { "client_body", "proxy", "fastcgi", "uwsgi", "scgi" })
        Config += QStringLiteral("    %1_temp_path %2;\n").arg(QLatin1String(Temp), In(Temp));
    Config += QStringLiteral("    log_format requests '$request_method $request_uri $status';\n");
    Config += QStringLiteral("    access_log %1 requests;\n").arg(In("access.log"));
    Config += QStringLiteral("    sendfile on;\n    keepalive_timeout 30s;\n");
    if (Options.Gzip)
        Config += QString::fromLatin1(GzipOn);
    Config += QStringLiteral("    server {\n");
    const bool Tls = !Options.TlsCertificateFile.isEmpty() && !Options.TlsKeyFile.isEmpty();
    Config += QStringLiteral("        listen 127.0.0.1:%1%2;\n        server_name localhost;\n")
                  .arg(QString::number(Port), Tls ? QStringLiteral(" ssl http2") : QString());
    if (Tls)
        Config += QStringLiteral("        ssl_certificate %1;\n        ssl_certificate_key %2;\n")
                      .arg(Quoted(Options.TlsCertificateFile), Quoted(Options.TlsKeyFile));
    Config += QStringLiteral("        root %1;\n").arg(Quoted(QDir(Options.RootFolder).absolutePath()));
    Config += Indented(Options.ServerConfig, QStringLiteral("        "));
    Config += RenderLocation({ QStringLiteral("= ") + QLatin1String(NginxLogSyncPath),
        QStringLiteral("access_log off;\nreturn 204;") });
    for (const NginxLocation& Location : Options.Locations)
        Config += RenderLocation(Location);
    Config += QStringLiteral("    }\n}\n");
    return Config;
}
