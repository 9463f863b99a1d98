#include "URLList.h"

#include "URLUtils.h"
#include "uStrUtils.h"

#include <QDir>
#include <QStringView>

namespace {

const char16_t* const FileExtensions[] = { u".png", u".jpg", u".jpeg", u".gif", u".bmp", u".css", u".xml" };
const char16_t* const ScriptExtensions[]
    = { u".asp", u".aspx", u".cgi", u".dll", u".jsp", u".jspx", u".php", u".py" };

template <size_t N> bool EndsWithAny(const QString& S, const char16_t* const (&Extensions)[N])
{
    for (const char16_t* Extension : Extensions)
        if (S.endsWith(QStringView(Extension)))
            return true;
    return false;
}

bool EndsWithSeparator(const QString& S)
{
    return !S.isEmpty() && IsPathSeparator(S.back());
}

bool IsSuppressed(const QString& AURL, const TStrings& ASuppressURLs)
{
    QString Lowered;
    for (int I = 0; I < ASuppressURLs.Count(); ++I) {
        const QString& Line = ASuppressURLs.Strings(I);
        if (Line.isEmpty())
            continue;
        if (Lowered.isNull())
            Lowered = LowerCaseASCII(AURL);
        if (Lowered.contains(LowerCaseASCII(Line)))
            return true;
    }
    return false;
}

// Name with the text from its last "." on replaced by Extension, or with
// Extension appended when it has none.
QString ChangeFileExt(const QString& Name, const QString& Extension)
{
    const qsizetype Dot = Name.lastIndexOf(u'.');
    const qsizetype Separator = qMax(Name.lastIndexOf(u'/'), Name.lastIndexOf(u'\\'));
    return (Dot > Separator ? Name.left(Dot) : Name) + Extension;
}

QString IndexFileFor(const QString& AIndexFile, const QString& ALinkType)
{
    if (SameText(ALinkType, QStringLiteral("text/css")))
        return ChangeFileExt(AIndexFile, QStringLiteral(".css"));
    if (ALinkType.size() >= 4 && SameText(ALinkType.right(4), QStringLiteral("+xml")))
        return ChangeFileExt(AIndexFile, QStringLiteral(".xml"));
    return AIndexFile;
}

// The output file path: the relative path P placed in the folder AOutDir.
QString PlaceInFolder(const QString& P, const QString& AOutDir)
{
    if (P.isEmpty())
        return P;
    if (IsPathSeparator(P[0])) {
        // Without a folder the path stays relative instead of naming the root.
        if (AOutDir.isEmpty() || EndsWithSeparator(AOutDir))
            return AOutDir + P.mid(1);
        return AOutDir + P;
    }
    if (AOutDir.isEmpty())
        return P;
    if (EndsWithSeparator(AOutDir))
        return AOutDir + P;
    return AOutDir + QDir::separator() + P;
}

} // namespace

TURLList::TURLList()
    : FLoadURLIndex(0, LoadURLHash { this }, LoadURLEqual { this })
{
}

const QString& TURLList::LoadURLText(int Index) const
{
    return Index < 0 ? *FProbe : FLoadURLList.Strings(Index);
}

size_t TURLList::LoadURLHash::operator()(int Index) const
{
    // FNV-1a over the UTF-16 units with A to Z folded.
    quint64 Hash = 14695981039346656037ULL;
    for (QChar C : Owner->LoadURLText(Index)) {
        char16_t U = C.unicode();
        if (U >= u'A' && U <= u'Z')
            U += u'a' - u'A';
        Hash = (Hash ^ U) * 1099511628211ULL;
    }
    return size_t(Hash ^ (Hash >> 32));
}

bool TURLList::LoadURLEqual::operator()(int Index1, int Index2) const
{
    return SameText(Owner->LoadURLText(Index1), Owner->LoadURLText(Index2));
}

int TURLList::FindURL(const QString& ALoadURL) const
{
    FProbe = &ALoadURL;
    const auto Found = FLoadURLIndex.find(-1);
    FProbe = nullptr;
    return Found == FLoadURLIndex.end() ? -1 : *Found;
}

int TURLList::AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
    const QString& AIndexFile, const QString& AOutDir, int AExtractURLs, int AURLDepth,
    const TStrings* ASuppressURLs, const QString& ALinkType)
{
    if (ASuppressURLs && IsSuppressed(AURL, *ASuppressURLs))
        return -1;
    const QString LoadURL = RemoveURLFragment(AURL);
    const int Existing = FindURL(LoadURL);
    if (Existing >= 0)
        return Existing;

    const QString OutFile
        = PlaceInFolder(URLToFilePath(AURLTag, AURL, AWebsiteURL, AIndexFile, ALinkType), AOutDir);
    const int Index = Count();
    FURLList.Add(AURL);
    FLoadURLList.Add(LoadURL);
    FOutFilePathList.Add(OutFile);
    FExtractURLsList.Add(AExtractURLs);
    FURLDepthList.Add(AURLDepth);
    FLoadURLIndex.insert(Index);
    return Index;
}

QString TURLList::URLToFilePath(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
    const QString& AIndexFile, const QString& ALinkType)
{
    if (!StartsText(AURL, AWebsiteURL))
        return QString();
    QString R = RemoveURLFragment(AURL.mid(AWebsiteURL.size()));
    QString Q;
    const qsizetype QueryStart = R.indexOf(u'?');
    if (QueryStart >= 0) {
        Q = R.mid(QueryStart + 1);
        R.truncate(QueryStart);
        if (!R.isEmpty() && !R.endsWith(u'/'))
            R += u'/';
    } else if ((AURLTag == utA || AURLTag == utLink || AURLTag == utIFrame) && !R.endsWith(u'/')) {
        // Pages linked from these tags become folders with an index file.
        if (!EndsWithAny(R, FileExtensions))
            R += u'/';
    } else if (EndsWithAny(R, ScriptExtensions)) {
        R += u'/';
    }
    Q.replace(u'/', u'_');
    if (!Q.isEmpty())
        Q += u'/';
    QString P = ToNativeSeparators(R + Q);
    if (P.isEmpty() || EndsWithSeparator(P))
        P += IndexFileFor(AIndexFile, ALinkType);
    return P;
}
