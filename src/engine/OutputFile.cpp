#include "OutputFile.h"

#include "URLUtils.h"

#include <QDir>

namespace {

int HexValue(QChar C)
{
    const char16_t U = C.unicode();
    if (U >= u'0' && U <= u'9')
        return U - u'0';
    if (U >= u'a' && U <= u'f')
        return U - u'a' + 10;
    if (U >= u'A' && U <= u'F')
        return U - u'A' + 10;
    return -1;
}

// The value of Digits hexadecimal digits of S from At, or -1.
int HexAt(const QString& S, qsizetype At, int Digits)
{
    if (At + Digits > S.size())
        return -1;
    int Value = 0;
    for (int K = 0; K < Digits; ++K) {
        const int Digit = HexValue(S[At + K]);
        if (Digit < 0)
            return -1;
        Value = Value * 16 + Digit;
    }
    return Value;
}

// The folder part of Path; a root keeps its separator.
QString FolderOf(const QString& Path)
{
    const qsizetype Last = qMax(Path.lastIndexOf(u'/'), Path.lastIndexOf(u'\\'));
    if (Last < 0)
        return QString();
    const bool IsRoot = Last == 0 || (Last == 2 && Path[1] == u':');
    return Path.left(IsRoot ? Last + 1 : Last);
}

QString CleanWithSlashes(QString Path)
{
    Path.replace(u'\\', u'/');
    return QDir::cleanPath(Path);
}

bool IsBelow(const QString& CleanPath, const QString& OutDir)
{
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity Case = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity Case = Qt::CaseSensitive;
#endif
    if (OutDir.isEmpty())
        return !CleanPath.isEmpty() && CleanPath != QLatin1String(".") && CleanPath != QLatin1String("..")
            && !CleanPath.startsWith(QLatin1String("../")) && !QDir::isAbsolutePath(CleanPath);
    QString Root = CleanWithSlashes(OutDir);
    if (!Root.endsWith(u'/'))
        Root += u'/';
    return CleanPath.size() > Root.size() && CleanPath.startsWith(Root, Case);
}

} // namespace

QString DecodeOutputFilePath(const QString& OutFilePath)
{
    if (!OutFilePath.contains(u'%'))
        return OutFilePath;
    QString Result;
    QByteArray Bytes;
    auto FlushBytes = [&]() {
        if (Bytes.isEmpty())
            return;
        QString Decoded = QString::fromUtf8(Bytes);
        Result += Decoded.remove(QChar::ReplacementCharacter);
        Bytes.clear();
    };
    for (qsizetype I = 0; I < OutFilePath.size();) {
        const QChar C = OutFilePath[I];
        if (C != u'%') {
            FlushBytes();
            Result += C;
            ++I;
            continue;
        }
        const int Byte = HexAt(OutFilePath, I + 1, 2);
        const int Unit
            = I + 1 < OutFilePath.size() && OutFilePath[I + 1] == u'u' ? HexAt(OutFilePath, I + 2, 4) : -1;
        if (Byte >= 0) {
            Bytes += char(Byte);
            I += 3;
        } else if (Unit >= 0) {
            FlushBytes();
            Result += QChar(char16_t(Unit));
            I += 6;
        } else {
            ++I;
        }
    }
    FlushBytes();
    return Result;
}

TOutputFile LocateOutputFile(const QString& OutFilePath, const QString& OutDir)
{
    TOutputFile Result;
    Result.FilePath = CombinePath(DecodeOutputFilePath(OutFilePath), OutDir);
    Result.Dir = FolderOf(Result.FilePath);
    if (Result.FilePath.contains(QChar(0)))
        return Result;
    const QString Clean = CleanWithSlashes(Result.FilePath);
    if (!IsBelow(Clean, OutDir))
        return Result;
    Result.FilePath = ToNativeSeparators(Clean);
    Result.Dir = FolderOf(Result.FilePath);
    Result.Inside = true;
    return Result;
}
