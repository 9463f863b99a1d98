#include "InputFile.h"

#include <QFile>
#include <cstdio>

bool ReadInputFile(const QString& FileName, QStringList& URLs, QString& Error)
{
    const bool FromStandardInput = FileName == QLatin1String("-");
    QFile File(FromStandardInput ? QString() : FileName);
    const bool Opened
        = FromStandardInput ? File.open(stdin, QIODevice::ReadOnly) : File.open(QIODevice::ReadOnly);
    const QByteArray Bytes = Opened ? File.readAll() : QByteArray();
    if (!Opened || File.error() != QFileDevice::NoError) {
        Error = QStringLiteral("cannot read the input file \"%1\": %2").arg(FileName, File.errorString());
        return false;
    }
    for (const QString& Line : QString::fromUtf8(Bytes).split(QLatin1Char('\n'))) {
        const QString URL = Line.trimmed();
        if (!URL.isEmpty() && !URL.startsWith(QLatin1Char('#')))
            URLs << URL;
    }
    return true;
}
