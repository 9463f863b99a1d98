#include "ChangedFilesList.h"

#include <QSaveFile>

namespace {

// Writes Text whole through File; the reason why not otherwise.
QString WriteWhole(QSaveFile& File, const QByteArray& Text)
{
    // Unbuffered, so that a short write (a full disk) is seen here: a
    // buffered one can be cut at the flush without the commit failing.
    if (!File.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return File.errorString();
    const qint64 Written = File.write(Text);
    if (Written != Text.size()) {
        const QString Reason = Written < 0
            ? File.errorString()
            : QStringLiteral("only %1 of %2 bytes could be written").arg(Written).arg(Text.size());
        File.cancelWriting();
        return Reason;
    }
    return File.commit() ? QString() : File.errorString();
}

} // namespace

bool WriteChangedFilesList(const QString& Path, const QStringList& Files, QString& Error)
{
    QByteArray Text;
    for (const QString& Name : Files)
        Text += (Name + QLatin1Char('\n')).toUtf8();
    QSaveFile File(Path);
    const QString Reason = WriteWhole(File, Text);
    if (Reason.isEmpty())
        return true;
    Error = QStringLiteral("cannot write the list of changed files \"%1\": %2").arg(Path, Reason);
    return false;
}
