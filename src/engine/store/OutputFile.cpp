#include "engine/store/OutputFile.h"

#include "engine/page/URLUtils.h"
#include "engine/page/uStrUtils.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The value of Digits hexadecimal digits of S from At, or -1.
int HexAt(const QString& S, qsizetype At, int Digits)
{
    if (At + Digits > S.size())
        return -1;
    int Value = 0;
    for (int K = 0; K < Digits; ++K) {
        const int Digit = DigitValue(S[At + K], 16);
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

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity FolderCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity FolderCase = Qt::CaseSensitive;
#endif

bool IsBelow(const QString& CleanPath, const QString& OutDir)
{
    const Qt::CaseSensitivity Case = FolderCase;
    if (OutDir.isEmpty())
        return !CleanPath.isEmpty() && CleanPath != QLatin1String(".") && CleanPath != QLatin1String("..")
            && !CleanPath.startsWith(QLatin1String("../")) && !QDir::isAbsolutePath(CleanPath);
    QString Root = CleanWithSlashes(OutDir);
    if (!Root.endsWith(u'/'))
        Root += u'/';
    return CleanPath.size() > Root.size() && CleanPath.startsWith(Root, Case);
}

// An absolute clean path with the part that exists on disk resolved through
// symbolic links and the rest appended as it stands; empty when an existing
// part cannot be resolved (a dangling link, a loop).
QString ResolveExisting(const QString& AbsolutePath)
{
    QString Existing = AbsolutePath;
    qsizetype TailStart = AbsolutePath.size();
    for (;;) {
        const QFileInfo Info(Existing);
        if (Info.exists() || Info.isSymLink()) {
            const QString Canonical = Info.canonicalFilePath();
            return Canonical.isEmpty() ? QString() : Canonical + AbsolutePath.mid(TailStart);
        }
        const qsizetype Slash = Existing.lastIndexOf(u'/');
        if (Slash <= 0)
            return AbsolutePath;
        Existing.truncate(Slash);
        TailStart = Slash;
    }
}

// True when Dir, followed through the links that exist on disk, is Root or
// lies below it, so that nothing is written through a link that leads out.
bool ResolvesInside(const QString& Dir, const QString& Root)
{
    const QString ResolvedRoot = ResolveExisting(QDir::current().absoluteFilePath(Root));
    const QString Resolved = ResolveExisting(QDir::current().absoluteFilePath(Dir));
    if (ResolvedRoot.isEmpty() || Resolved.isEmpty())
        return false;
    if (Resolved.compare(ResolvedRoot, FolderCase) == 0)
        return true;
    const QString Prefix = ResolvedRoot.endsWith(u'/') ? ResolvedRoot : ResolvedRoot + u'/';
    return Resolved.startsWith(Prefix, FolderCase);
}

// True when a segment of Path is "." or "..": a URL that names one would
// resolve against its neighbours and could land on another URL's file.
bool HasDotSegment(QStringView Path)
{
    qsizetype Start = 0;
    for (qsizetype I = 0; I <= Path.size(); ++I) {
        if (I < Path.size() && !IsPathSeparator(Path[I]))
            continue;
        const QStringView Segment = Path.mid(Start, I - Start);
        if (Segment == u"." || Segment == u"..")
            return true;
        Start = I + 1;
    }
    return false;
}

// The length of the valid UTF-8 sequence at the start of Bytes, or 0.
qsizetype UTF8SequenceLength(const QByteArray& Bytes, qsizetype At)
{
    const auto Byte = [&](qsizetype I) { return I < Bytes.size() ? uchar(Bytes[I]) : 0; };
    const uchar Lead = Byte(At);
    qsizetype Length = 0;
    uchar Low = 0x80;
    uchar High = 0xBF;
    if (Lead < 0x80)
        return 1;
    if (Lead >= 0xC2 && Lead <= 0xDF)
        Length = 2;
    else if (Lead >= 0xE0 && Lead <= 0xEF) {
        Length = 3;
        Low = Lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        High = Lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (Lead >= 0xF0 && Lead <= 0xF4) {
        Length = 4;
        Low = Lead == 0xF0 ? 0x90 : 0x80;
        High = Lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (Byte(At + 1) < Low || Byte(At + 1) > High)
        return 0;
    for (qsizetype K = 2; K < Length; ++K)
        if (Byte(At + K) < 0x80 || Byte(At + K) > 0xBF)
            return 0;
    return Length;
}

// True for a decoded character that keeps its escape in a file name: one
// no file name should hold (control characters, tab), and "%", so that a
// name with an escape in it can come from one URL only.
bool StaysEscaped(QChar C)
{
    return IsControlCharacter(C) || C == u'\t' || C == u'%';
}

// Bytes decoded as UTF-8 onto Result; a byte that is no part of a valid
// sequence stays visible as its escape, so that it names no other URL's file.
void AppendDecodedBytes(QString& Result, const QByteArray& Bytes)
{
    for (qsizetype I = 0; I < Bytes.size();) {
        const qsizetype Length = UTF8SequenceLength(Bytes, I);
        const QString Decoded = Length > 0 ? QString::fromUtf8(Bytes.constData() + I, Length) : QString();
        if (Decoded.size() == 1 && Decoded[0].isNull())
            Result += QChar(0); // refused when the file is located
        else if (Length == 0 || (Decoded.size() == 1 && StaysEscaped(Decoded[0]))) {
            for (qsizetype K = 0; K < qMax<qsizetype>(Length, 1); ++K)
                Result += QStringLiteral("%%1").arg(uchar(Bytes[I + K]), 2, 16, QLatin1Char('0')).toUpper();
        } else
            Result += Decoded;
        I += qMax<qsizetype>(Length, 1);
    }
}

} // namespace

QString DecodeOutputFilePath(const QString& OutFilePath)
{
    if (!OutFilePath.contains(u'%'))
        return OutFilePath;
    QString Result;
    QByteArray Bytes;
    auto FlushBytes = [&]() {
        AppendDecodedBytes(Result, Bytes);
        Bytes.clear();
    };
    for (qsizetype I = 0; I < OutFilePath.size();) {
        const QChar C = OutFilePath[I];
        const int Byte = C == u'%' ? HexAt(OutFilePath, I + 1, 2) : -1;
        if (Byte >= 0) {
            Bytes += char(Byte);
            I += 3;
            continue;
        }
        FlushBytes();
        const int Unit = C == u'%' && I + 1 < OutFilePath.size() && OutFilePath[I + 1] == u'u'
            ? HexAt(OutFilePath, I + 2, 4)
            : -1;
        if (Unit >= 0) {
            const QChar Decoded { char16_t(Unit) };
            Result
                += StaysEscaped(Decoded) || Decoded.isSurrogate() ? OutFilePath.mid(I, 6) : QString(Decoded);
            I += 6;
        } else {
            // An invalid escape stays as it stands.
            Result += C;
            ++I;
        }
    }
    FlushBytes();
    return Result;
}

TOutputFile LocateOutputFile(const QString& OutFilePath, const QString& OutDir)
{
    TOutputFile Result;
    const QString Decoded = DecodeOutputFilePath(OutFilePath);
    Result.FilePath = CombinePath(Decoded, OutDir);
    Result.Dir = FolderOf(Result.FilePath);
    const bool InOutDir = !OutDir.isEmpty() && Decoded.startsWith(OutDir, FolderCase);
    if (Result.FilePath.contains(QChar(0))
        || HasDotSegment(QStringView(Decoded).mid(InOutDir ? OutDir.size() : 0)))
        return Result;
    const QString Clean = CleanWithSlashes(Result.FilePath);
    if (!IsBelow(Clean, OutDir)
        || !ResolvesInside(
            FolderOf(Clean), OutDir.isEmpty() ? QStringLiteral(".") : CleanWithSlashes(OutDir)))
        return Result;
    Result.FilePath = ToNativeSeparators(Clean);
    Result.Dir = FolderOf(Result.FilePath);
    Result.Inside = true;
    return Result;
}
