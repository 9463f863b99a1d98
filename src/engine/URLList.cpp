#include "URLList.h"

#include "URLUtils.h"
#include "uStrUtils.h"

#include <QDir>
#include <QStringView>
#include <algorithm>

namespace {

const char16_t* const FileExtensions[] = { u".png", u".jpg", u".jpeg", u".gif", u".bmp", u".css", u".xml" };
const char16_t* const ScriptExtensions[]
    = { u".asp", u".aspx", u".cgi", u".dll", u".jsp", u".jspx", u".php", u".py" };

template <size_t N> bool EndsWithAny(QStringView S, const char16_t* const (&Extensions)[N])
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
    for (int I = 0; I < ASuppressURLs.Count(); ++I) {
        const QString& Line = ASuppressURLs.Strings(I);
        if (!Line.isEmpty() && ContainsText(AURL, Line))
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

int TURLList::FindURL(const QString& ALoadURL) const
{
    return FLoadURLIndex.Find(ALoadURL);
}

int TURLList::AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
    const QString& AIndexFile, const QString& AOutDir, int AExtractURLs, int AURLDepth,
    const TStrings* ASuppressURLs, const QString& ALinkType)
{
    if (ASuppressURLs && IsSuppressed(AURL, *ASuppressURLs))
        return -1;
    if (std::any_of(AURL.begin(), AURL.end(), [](QChar C) { return C.isNull() || IsControlCharacter(C); }))
        return AddURL(AURLTag, EncodeURLControlCharacters(AURL), AWebsiteURL, AIndexFile, AOutDir,
            AExtractURLs, AURLDepth, ASuppressURLs, ALinkType);
    const QString LoadURL = RemoveURLFragment(AURL);
    const int Existing = FindURL(LoadURL);
    if (Existing >= 0)
        return Existing;
    if (Count() >= FMaxCount) {
        FLimitReached = true;
        return -1;
    }

    const QString OutFile
        = PlaceInFolder(URLToFilePath(AURLTag, AURL, AWebsiteURL, AIndexFile, ALinkType), AOutDir);
    const int Index = Count();
    FURLList.Add(AURL);
    FLoadURLList.Add(LoadURL);
    FOutFilePathList.Add(OutFile);
    FExtractURLsList.Add(AExtractURLs);
    FURLDepthList.Add(AURLDepth);
    FLoadURLIndex.Add(Index);
    return Index;
}

QString TURLList::URLToFilePath(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
    const QString& AIndexFile, const QString& ALinkType)
{
    if (!StartsText(AURL, AWebsiteURL))
        return QString();
    QStringView R = QStringView(AURL).mid(AWebsiteURL.size());
    const qsizetype Fragment = R.indexOf(u'#');
    if (Fragment >= 0)
        R.truncate(Fragment);
    QStringView Q;
    bool AppendSlash = false;
    const qsizetype QueryStart = R.indexOf(u'?');
    if (QueryStart >= 0) {
        Q = R.mid(QueryStart + 1);
        R = R.left(QueryStart);
        AppendSlash = !R.isEmpty() && !R.endsWith(u'/');
    } else if ((AURLTag == utA || AURLTag == utLink || AURLTag == utIFrame) && !R.endsWith(u'/')) {
        // Pages linked from these tags become folders with an index file.
        AppendSlash = !EndsWithAny(R, FileExtensions);
    } else {
        AppendSlash = EndsWithAny(R, ScriptExtensions);
    }
    QString P;
    P.reserve(R.size() + Q.size() + AIndexFile.size() + 8);
    P += R;
    if (AppendSlash)
        P += u'/';
    if (!Q.isEmpty()) {
        // A query becomes one more folder; its own "/" cannot split it.
        const qsizetype QueryAt = P.size();
        P += Q;
        std::replace(P.begin() + QueryAt, P.end(), u'/', u'_');
        P += u'/';
    }
    P = ToNativeSeparators(std::move(P));
    if (P.isEmpty() || EndsWithSeparator(P))
        P += IndexFileFor(AIndexFile, ALinkType);
    return P;
}
