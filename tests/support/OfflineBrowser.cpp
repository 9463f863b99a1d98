#include "OfflineBrowser.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

QString FindChromium()
{
    return QStandardPaths::findExecutable("chromium");
}

OfflineView ViewOffline(const QString& Browser, const QString& File, int TimeoutMs)
{
    QTemporaryDir Profile;
    QProcess Process;
    Process.start(Browser,
        QStringList { "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-extensions",
            "--disable-background-networking", "--disable-component-update",
            "--user-data-dir=" + Profile.path(), "--host-resolver-rules=MAP * ~NOTFOUND",
            "--proxy-server=127.0.0.1:9", "--enable-logging=stderr", "--v=1", "--virtual-time-budget=5000",
            "--dump-dom", QUrl::fromLocalFile(File).toString() });
    OfflineView View;
    View.Finished = Process.waitForFinished(TimeoutMs);
    if (!View.Finished) {
        Process.kill();
        Process.waitForFinished(5000);
    }
    View.Dom = QString::fromUtf8(Process.readAllStandardOutput());
    // Every file the page loads is logged as it starts.
    static const QRegularExpression Start("FileURLLoader::Start: (\\S+)");
    for (auto It = Start.globalMatch(QString::fromUtf8(Process.readAllStandardError())); It.hasNext();) {
        const QString Requested = QUrl(It.next().captured(1)).toLocalFile();
        ++View.Requests;
        if (!QFileInfo(Requested).isFile())
            View.FailedFiles << Requested;
    }
    return View;
}
