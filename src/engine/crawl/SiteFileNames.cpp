#include "engine/crawl/SiteFileNames.h"

#include "engine/page/URLUtils.h"
#include "engine/page/uStrUtils.h"
#include "engine/store/OutputFile.h"

#include <QCryptographicHash>
#include <algorithm>

namespace {

// Names that servers answer with a page although they do not end in ".html".
const char16_t* const PageExtensions[]
    = { u"asp", u"aspx", u"cfm", u"cgi", u"htm", u"html", u"jsp", u"jspx", u"php", u"pl", u"shtml" };

constexpr qsizetype MaxReadableQuery = 48;

// The extension of the last segment of Path (without the dot), or empty.
QStringView ExtensionOf(QStringView Path)
{
    const qsizetype Slash = Path.lastIndexOf(u'/');
    const qsizetype Dot = Path.lastIndexOf(u'.');
    return Dot > Slash + 1 ? Path.mid(Dot + 1) : QStringView();
}

// The URL's path after its authority, without query and fragment.
QStringView PathOf(QStringView URL)
{
    qsizetype End = URL.size();
    for (const QChar C : { QChar(u'?'), QChar(u'#') }) {
        const qsizetype At = URL.indexOf(C);
        if (At >= 0 && At < End)
            End = At;
    }
    return URL.left(End);
}

bool IsReadableQueryChar(QChar C)
{
    return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z') || (C >= u'0' && C <= u'9') || C == u'.'
        || C == u'_' || C == u'-' || C == u'=' || C == u'&' || C == u',' || C == u'+';
}

// The query as a part of a file name: "@" and the query itself when it is
// short and plain, else "@" and a short digest of it.
QString QueryTag(QStringView Query)
{
    const bool Readable
        = Query.size() <= MaxReadableQuery && std::all_of(Query.begin(), Query.end(), IsReadableQueryChar);
    if (Readable)
        return QLatin1Char('@') + Query.toString();
    const QByteArray Digest = QCryptographicHash::hash(Query.toUtf8(), QCryptographicHash::Md5);
    return QLatin1Char('@') + QString::fromLatin1(Digest.toHex().left(10));
}

bool EndsWithText(QStringView Name, QStringView Suffix)
{
    return Name.endsWith(Suffix, Qt::CaseInsensitive);
}

QString ChangeExtension(const QString& Name, const QString& Extension)
{
    const qsizetype Dot = Name.lastIndexOf(u'.');
    return (Dot > 0 ? Name.left(Dot) : Name) + Extension;
}

} // namespace

TDocumentKind ExpectedDocumentKind(TURLTag Tag, const QString& URL, const QString& LinkType)
{
    if (Tag == utLink && SameText(LinkType, QStringLiteral("text/css")))
        return TDocumentKind::StyleSheet;
    if (Tag == utLink && EndsWithText(LinkType, u"+xml"))
        return TDocumentKind::File;
    if (Tag != utA && Tag != utLink && Tag != utIFrame && Tag != utUndefined)
        return TDocumentKind::File;
    const QStringView Extension = ExtensionOf(PathOf(URL));
    if (Extension.isEmpty())
        return TDocumentKind::Page;
    if (Extension.compare(u"css", Qt::CaseInsensitive) == 0)
        return TDocumentKind::StyleSheet;
    for (const char16_t* Page : PageExtensions)
        if (Extension.compare(QStringView(Page), Qt::CaseInsensitive) == 0)
            return TDocumentKind::Page;
    return TDocumentKind::File;
}

TDocumentKind DocumentKindOf(const QString& MediaType)
{
    if (SameText(MediaType, QStringLiteral("text/html")))
        return TDocumentKind::Page;
    if (SameText(MediaType, QStringLiteral("text/css")))
        return TDocumentKind::StyleSheet;
    return TDocumentKind::File;
}

QString SiteFilePath(const QString& URL, const QString& Scope, const QString& IndexFile, TDocumentKind Kind)
{
    if (!StartsText(URL, Scope))
        return QString();
    QStringView Rest = QStringView(URL).mid(Scope.size());
    Rest = Rest.left(Rest.indexOf(u'#') < 0 ? Rest.size() : Rest.indexOf(u'#'));
    const qsizetype QueryStart = Rest.indexOf(u'?');
    const QStringView Path = QueryStart < 0 ? Rest : Rest.left(QueryStart);
    const qsizetype NameStart = Path.lastIndexOf(u'/') + 1;
    QString Name = Path.mid(NameStart).toString();
    if (Name.isEmpty())
        Name = Kind == TDocumentKind::StyleSheet ? ChangeExtension(IndexFile, QStringLiteral(".css"))
                                                 : IndexFile;
    if (QueryStart >= 0) {
        const qsizetype Dot = Name.lastIndexOf(u'.');
        Name.insert(Dot > 0 ? Dot : Name.size(), QueryTag(Rest.mid(QueryStart + 1)));
    }
    if (Kind == TDocumentKind::Page && !EndsWithText(Name, u".html") && !EndsWithText(Name, u".htm"))
        Name += QLatin1String(".html");
    else if (Kind == TDocumentKind::StyleSheet && !EndsWithText(Name, u".css"))
        Name += QLatin1String(".css");
    return ToNativeSeparators(DecodeOutputFilePath(Path.left(NameStart).toString() + Name));
}

namespace {

inline bool NeedsEscapeInLink(QChar C)
{
    // Letters, digits and the common marks first: they never need one.
    const char16_t U = C.unicode();
    if ((U >= u'a' && U <= u'z') || (U >= u'A' && U <= u'Z') || (U >= u'-' && U <= u'9'))
        return false;
    return C == u'%' || C == u'#' || C == u'?' || C == u':' || C == u' ' || C == u'"' || C == u'<'
        || C == u'>' || C == u'\\' || C == u'&' || C == u'\t' || C.isNull() || IsControlCharacter(C);
}

} // namespace

QString EncodeFileLink(const QString& Path)
{
    // Most names need no escape: those are returned without a copy.
    const auto First = std::find_if(Path.begin(), Path.end(), NeedsEscapeInLink);
    if (First == Path.end())
        return Path;
    QString Link = Path.left(First - Path.begin());
    Link.reserve(Path.size() + 16);
    for (auto It = First; It != Path.end(); ++It) {
        if (!NeedsEscapeInLink(*It)) {
            Link += *It;
            continue;
        }
        for (const char Byte : QString(*It).toUtf8())
            Link += QStringLiteral("%%1").arg(uchar(Byte), 2, 16, QLatin1Char('0')).toUpper();
    }
    return Link;
}
