#pragma once

// An nginx started on 127.0.0.1 for benchmarks, with its configuration,
// document root and logs in a temporary folder. The access log records the
// connection serial of each request, so connection reuse can be counted.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <stdexcept>

#include "support/Loopback.h"

class LocalNginx {
public:
    LocalNginx()
    {
        FPort = UnusedLoopbackPort();
        QDir(FFolder.path()).mkpath(QStringLiteral("www"));
        QDir(FFolder.path()).mkpath(QStringLiteral("temp"));
        const QString Config = QStringLiteral(
            "daemon off; master_process off; worker_processes 1;\n"
            "pid %1/nginx.pid; error_log %1/error.log;\n"
            "events { worker_connections 256; }\n"
            "http {\n"
            "  log_format conn '$connection $connection_requests';\n"
            "  access_log %1/access.log conn;\n"
            "  client_body_temp_path %1/temp; proxy_temp_path %1/temp; fastcgi_temp_path %1/temp;\n"
            "  uwsgi_temp_path %1/temp; scgi_temp_path %1/temp;\n"
            "  keepalive_requests 1000000; keepalive_timeout 60s;\n"
            "  default_type text/html;\n"
            "  server {\n"
            "    listen 127.0.0.1:%2; root %1/www;\n"
            "    location /gz/ { default_type text/plain; add_header Content-Encoding gzip; }\n"
            "  }\n"
            "}\n")
                                   .arg(FFolder.path())
                                   .arg(FPort);
        WriteFile(QStringLiteral("nginx.conf"), Config.toUtf8());
        FProcess.start(QStringLiteral("nginx"),
            { QStringLiteral("-p"), FFolder.path(), QStringLiteral("-c"), FFolder.filePath("nginx.conf") });
        if (!FProcess.waitForStarted(5000))
            throw std::runtime_error("nginx did not start");
        for (int Attempt = 0; Attempt < 100 && !Accepting(); ++Attempt)
            QThread::msleep(20);
    }

    ~LocalNginx()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000))
            FProcess.kill();
        FProcess.waitForFinished(5000);
    }

    // Writes a file under the document root.
    void WriteFile(const QString& Name, const QByteArray& Data)
    {
        QFile File(FFolder.filePath(Name));
        if (!File.open(QIODevice::WriteOnly) || File.write(Data) != Data.size())
            throw std::runtime_error("cannot write a benchmark file");
    }
    QString DocumentPath(const QString& Name) const
    {
        return FFolder.filePath(QStringLiteral("www/") + Name);
    }
    QString Url(const QString& Path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(FPort).arg(Path);
    }
    QString TempPath(const QString& Name) const { return FFolder.filePath(Name); }

    // Distinct connections and total requests in the access log so far.
    std::pair<int, int> ConnectionsAndRequests() const
    {
        QFile Log(FFolder.filePath(QStringLiteral("access.log")));
        QSet<QByteArray> Connections;
        int Requests = 0;
        if (Log.open(QIODevice::ReadOnly))
            for (const QByteArray& Line : Log.readAll().split('\n'))
                if (!Line.isEmpty()) {
                    Connections.insert(Line.split(' ').value(0));
                    ++Requests;
                }
        return { int(Connections.size()), Requests };
    }
    void ClearLog() const
    {
        QFile Log(FFolder.filePath(QStringLiteral("access.log")));
        Log.resize(0);
    }

private:
    bool Accepting() const
    {
        const int Socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in Address = LoopbackAddress(FPort);
        const bool Connected = ::connect(Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address) == 0;
        ::close(Socket);
        return Connected;
    }

    QTemporaryDir FFolder;
    quint16 FPort = 0;
    QProcess FProcess;
};
