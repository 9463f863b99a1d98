#include "engine/page/URLUtils.h"

#include <algorithm>

#include "http/URLSplit.h"

#include <QDir>
#include <QStringView>
#include <vector>

namespace {

// Where the authority of a URL begins (after "scheme://"), or -1 when it
// has none.
qsizetype AuthorityStart(const QString& URL)
{
    const int Scheme = SchemeLength(URL);
    return Scheme > 0 && QStringView(URL).mid(Scheme + 1, 2) == u"//" ? Scheme + 3 : -1;
}

QString CutBefore(const QString& S, QChar C)
{
    const qsizetype At = S.indexOf(C);
    return At < 0 ? S : S.left(At);
}

// Removes each "/../" of the path part (before the query) together with the
// segment before it. A ".." above the root of an absolute URL stays at the
// root; in a text without a scheme it empties the result.
QString RemoveDotDotSegments(const QString& URL)
{
    if (URL.startsWith(QLatin1String("../")))
        return QString();
    const QString R = URL.startsWith(QLatin1String("./")) ? URL.mid(2) : URL;
    const qsizetype Query = R.indexOf(u'?');
    const qsizetype PathEnd = Query < 0 ? R.size() : Query;
    if (QStringView(R).left(PathEnd).indexOf(QLatin1String("/../")) < 0)
        return R;

    const qsizetype Authority = AuthorityStart(R);
    const bool HasRoot = Authority >= 0;
    qsizetype Start = R.indexOf(u'/', HasRoot ? Authority : 0);
    if (Start < 0 || Start > PathEnd)
        Start = PathEnd;
    std::vector<QStringView> Segments; // each with its leading "/"
    for (qsizetype I = Start; I < PathEnd;) {
        qsizetype Next = R.indexOf(u'/', I + 1);
        if (Next < 0 || Next > PathEnd)
            Next = PathEnd;
        const QStringView Segment = QStringView(R).mid(I, Next - I);
        if (Segment == QLatin1String("/..") && Next < PathEnd) {
            if (!Segments.empty())
                Segments.pop_back();
            else if (!HasRoot)
                return QString();
        } else {
            Segments.push_back(Segment);
        }
        I = Next;
    }
    QString Result = R.left(Start);
    for (const QStringView& Segment : Segments)
        Result += Segment;
    Result += QStringView(R).mid(PathEnd);
    return Result;
}

} // namespace

QString ResolveURL(const QString& Link, const QString& BaseURL)
{
    QString B = CutBefore(BaseURL, u'?');
    const qsizetype Authority = AuthorityStart(B);
    if (Link.startsWith(QLatin1String("//")))
        return (Authority >= 0 ? B.left(Authority - 2) : QStringLiteral("http:")) + Link;
    if (IsAbsoluteURL(Link))
        return SplitURL(Link).HasAuthority ? Link : QString(); // "data:" and the like stay as written
    // Only a leading scheme makes a link absolute: "x.php?u=http://y" is relative.
    if (Link.isEmpty())
        return Link;
    // A colon in the first segment reads as a scheme nobody follows; one in
    // a later segment or the query is plain text.
    const qsizetype Colon = Link.indexOf(u':');
    const auto FirstSegmentEnd
        = std::find_if(Link.begin(), Link.end(), [](QChar C) { return C == u'/' || C == u'?' || C == u'#'; });
    if (Link.startsWith(u'#') || (Colon >= 0 && Colon < FirstSegmentEnd - Link.begin()))
        return QString();

    const qsizetype HostStart = Authority >= 0 ? Authority : 0;
    // A base without a path stands for the root folder of its host.
    if (Authority >= 0 && B.indexOf(u'/', HostStart) < 0)
        B += u'/';
    QString Result;
    if (Link.startsWith(u'/')) {
        const qsizetype Host = B.indexOf(u'/', HostStart);
        Result = (Host >= 0 ? B.left(Host) : B) + Link;
    } else {
        const qsizetype Folder = B.lastIndexOf(u'/');
        const QString Relative = Link.startsWith(QLatin1String("./")) ? Link.mid(2) : Link;
        Result = Folder >= HostStart ? B.left(Folder + 1) + Relative : B + u'/' + Relative;
    }
    return RemoveDotDotSegments(Result);
}

QString RemoveURLFragment(const QString& URL)
{
    return CutBefore(URL, u'#');
}

QString EncodeURLNonASCII(const QString& URL)
{
    const QByteArray Bytes = URL.toUtf8();
    bool HasNonASCII = false;
    for (char Byte : Bytes)
        HasNonASCII |= static_cast<unsigned char>(Byte) >= 0x80;
    if (!HasNonASCII)
        return URL;
    static const char Hex[] = "0123456789ABCDEF";
    QString Result;
    Result.reserve(Bytes.size() * 3);
    for (char Byte : Bytes) {
        const unsigned char Code = static_cast<unsigned char>(Byte);
        if (Code < 0x80) {
            Result += QChar(Code);
        } else {
            Result += u'%';
            Result += QChar(Hex[Code >> 4]);
            Result += QChar(Hex[Code & 0xF]);
        }
    }
    return Result;
}

bool IsControlCharacter(QChar C)
{
    const char16_t Code = C.unicode();
    return (Code < 0x20 && Code != u'\t') || (Code >= 0x7F && Code <= 0x9F);
}

QString EncodeURLControlCharacters(const QString& URL)
{
    const auto NeedsEscape = [](QChar C) { return C.isNull() || IsControlCharacter(C); };
    if (std::none_of(URL.begin(), URL.end(), NeedsEscape))
        return URL;
    QString Result;
    Result.reserve(URL.size() + 16);
    for (const QChar C : URL) {
        if (!NeedsEscape(C)) {
            Result += C;
            continue;
        }
        for (const char Byte : QString(C).toUtf8())
            Result += QStringLiteral("%%1")
                          .arg(static_cast<unsigned char>(Byte), 2, 16, QLatin1Char('0'))
                          .toUpper();
    }
    return Result;
}

bool IsPathSeparator(QChar C)
{
    return C == u'/' || C == u'\\';
}

QString ToNativeSeparators(QString Path)
{
    const QChar Native = QDir::separator();
    for (QChar& C : Path)
        if (IsPathSeparator(C))
            C = Native;
    return Path;
}

QString CombinePath(const QString& Path, const QString& BaseDir)
{
    if (BaseDir.isEmpty() || QDir::isAbsolutePath(Path))
        return Path;
    if (Path.isEmpty())
        return BaseDir;
    QString Result = ToNativeSeparators(BaseDir);
    if (!Result.endsWith(QDir::separator()))
        Result += QDir::separator();
    Result += ToNativeSeparators(IsPathSeparator(Path[0]) ? Path.mid(1) : Path);
    return Result;
}
