#include "engine/crawl/URLList.h"

#include "engine/crawl/SiteFileNames.h"
#include "engine/page/URLUtils.h"
#include "engine/page/uStrUtils.h"

#include <QDir>
#include <QStringView>
#include <algorithm>
#include <cstring>

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

char FoldASCIIByte(char C)
{
    return C >= 'A' && C <= 'Z' ? char(C + ('a' - 'A')) : C;
}

bool SameFoldedBytes(const char* A, const char* B, qsizetype Size)
{
    for (qsizetype I = 0; I < Size; ++I)
        if (FoldASCIIByte(A[I]) != FoldASCIIByte(B[I]))
            return false;
    return true;
}

// True when the kept UTF-8 text equals Text with A to Z folded. URLs are
// mostly ASCII, so that part is compared in place; the rest as Text's UTF-8,
// made as the kept text was, so that even a lone surrogate finds its entry.
bool SameTextAsUTF8(const char* Data, quint32 Size, QStringView Text)
{
    // UTF-8 takes at least one byte per UTF-16 unit.
    if (qsizetype(Size) < Text.size())
        return false;
    qsizetype I = 0;
    for (; I < Text.size() && Text[I].unicode() < 0x80; ++I) {
        const char Byte = char(Text[I].unicode());
        if (Data[I] != Byte && FoldASCIIByte(Data[I]) != FoldASCIIByte(Byte))
            return false;
    }
    if (I == Text.size())
        return I == qsizetype(Size);
    const QByteArray Rest = Text.mid(I).toUtf8();
    return Rest.size() == qsizetype(Size) - I && SameFoldedBytes(Rest.constData(), Data + I, Rest.size());
}

// What AOutDir puts before a relative path placed in it.
QString FolderForFiles(const QString& AOutDir)
{
    const QString Placed = PlaceInFolder(QStringLiteral("x"), AOutDir);
    return Placed.left(Placed.size() - 1);
}

// The load URL with an index file name before its query dropped, so that
// "dir/" and "dir/index.html" compare equal.
QString WithoutIndexFile(const QString& LoadURL, const QString& IndexFile)
{
    const qsizetype Query = LoadURL.indexOf(u'?');
    const qsizetype PathEnd = Query < 0 ? LoadURL.size() : Query;
    const qsizetype NameStart = PathEnd - IndexFile.size();
    if (IndexFile.isEmpty() || NameStart < 1 || LoadURL[NameStart - 1] != u'/'
        || QStringView(LoadURL).mid(NameStart, IndexFile.size()).compare(IndexFile, Qt::CaseInsensitive) != 0)
        return LoadURL;
    return LoadURL.left(NameStart) + LoadURL.mid(PathEnd);
}

} // namespace

QString TURLList::URL(int Index) const
{
    const TEntry& Entry = At<EStringListError>(Index);
    return QString::fromUtf8(Entry.URL, Entry.URLSize);
}

void TURLList::SetURL(int Index, const QString& Value)
{
    TEntry& Entry = At<EStringListError>(Index);
    Entry.URL = Keep(Value, Entry.URLSize);
}

QString TURLList::OutFilePath(int Index) const
{
    const TEntry& Entry = At<EStringListError>(Index);
    if (Entry.Folder == NoFolder)
        return QString();
    return FFolders[Entry.Folder] + QString::fromUtf8(Entry.FileTail, Entry.FileTailSize);
}

int TURLList::FindURL(const QString& ALoadURL) const
{
    return FLoadURLIndex.Find(ALoadURL, [&](int Index) {
        const TEntry& Entry = FEntries[size_t(Index)];
        return SameTextAsUTF8(Entry.LoadURL, Entry.LoadURLSize, ALoadURL);
    });
}

int TURLList::AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
    const QString& AIndexFile, const QString& AOutDir, int AExtractURLs, int AURLDepth,
    const TStrings* ASuppressURLs, const QString& ALinkType, int AParent)
{
    if (ASuppressURLs && IsSuppressed(AURL, *ASuppressURLs))
        return -1;
    if (std::any_of(AURL.begin(), AURL.end(), [](QChar C) { return C.isNull() || IsControlCharacter(C); }))
        return AddURL(AURLTag, EncodeURLControlCharacters(AURL), AWebsiteURL, AIndexFile, AOutDir,
            AExtractURLs, AURLDepth, ASuppressURLs, ALinkType, AParent);
    const QString LoadURL = RemoveURLFragment(AURL);
    const int Existing = FindURL(LoadURL);
    if (Existing >= 0)
        return Existing;
    if (Count() >= FMaxCount) {
        FLimitReached = true;
        return -1;
    }

    QString OutFile;
    if (!FSiteFileNames)
        OutFile = PlaceInFolder(URLToFilePath(AURLTag, AURL, AWebsiteURL, AIndexFile, ALinkType), AOutDir);
    else if (const QString Tail
             = SiteFilePath(AURL, AWebsiteURL, AIndexFile, ExpectedDocumentKind(AURLTag, AURL, ALinkType));
             !Tail.isEmpty()) {
        int Holder = -1;
        OutFile = ClaimSiteFile(Tail, AOutDir, LoadURL, AIndexFile, Count(), Holder);
        if (Holder >= 0)
            return Holder;
    }
    TEntry Entry;
    Entry.URL = Keep(AURL, Entry.URLSize);
    // The load URL ends before the first "#", an ASCII byte in UTF-8 too.
    Entry.LoadURL = Entry.URL;
    Entry.LoadURLSize = quint32(std::find(Entry.URL, Entry.URL + Entry.URLSize, '#') - Entry.URL);
    if (!OutFile.isEmpty()) {
        Entry.Folder = FolderNumber(AOutDir);
        Entry.FileTail = Keep(QStringView(OutFile).mid(AOutDir.size()), Entry.FileTailSize);
    }
    Entry.Scope = ScopeNumber({ AWebsiteURL, AIndexFile });
    Entry.ExtractURLs = AExtractURLs;
    Entry.URLDepth = AURLDepth;
    Entry.Parent = AParent;
    const int Index = Count();
    FEntries.push_back(Entry);
    FLoadURLIndex.Add(Index, LoadURL);
    return Index;
}

const char* TURLList::Keep(QStringView Text, quint32& Size)
{
    // Mostly ASCII: narrowed straight into the arena, without a temporary.
    // The test has no early exit, so that it runs on whole vectors.
    char16_t AllUnits = 0;
    for (const QChar C : Text)
        AllUnits |= C.unicode();
    if (AllUnits < 0x80) {
        Size = quint32(Text.size());
        char* Copy = FTexts.Allocate(Size);
        std::transform(Text.begin(), Text.end(), Copy, [](QChar C) { return char(C.unicode()); });
        return Copy;
    }
    const QByteArray Bytes = Text.toUtf8();
    Size = quint32(Bytes.size());
    char* Copy = FTexts.Allocate(Size);
    std::memcpy(Copy, Bytes.constData(), Size);
    return Copy;
}

QString TURLList::ClaimSiteFile(const QString& Tail, const QString& AOutDir, const QString& LoadURL,
    const QString& AIndexFile, int Owner, int& Holder)
{
    const QString Relative = IsPathSeparator(Tail[0]) ? Tail.mid(1) : Tail;
    const QString Folder = FolderForFiles(AOutDir);
    const QString Document = WithoutIndexFile(LoadURL, AIndexFile);
    const auto SameDocument = [&](int Other) {
        const QString OtherURL = WithoutIndexFile(this->LoadURL(FEntries[size_t(Other)]), AIndexFile);
        return OtherURL.compare(Document, Qt::CaseInsensitive) == 0;
    };
    return Folder + FFileNames.Claim(Folder, Relative, Owner, SameDocument, Holder);
}

bool TURLList::RenameForReply(int Index, TDocumentKind Kind, const QString& FinalURL)
{
    TEntry& Entry = At<EStringListError>(Index);
    if (Entry.Folder == NoFolder)
        return false;
    const TScope& Scope = FScopes[Entry.Scope];
    const bool FollowsRedirect = !FinalURL.isEmpty() && StartsText(FinalURL, Scope.Prefix);
    const QString Document = FollowsRedirect ? RemoveURLFragment(FinalURL) : LoadURL(Entry);
    const QString Tail = SiteFilePath(Document, Scope.Prefix, Scope.IndexFile, Kind);
    if (Tail.isEmpty())
        return false;
    const QString Folder = FFolders[Entry.Folder];
    const QString Old = OutFilePath(Index);
    int Holder = -1;
    const QString New = ClaimSiteFile(Tail, Folder, Document, Scope.IndexFile, Index, Holder);
    if (New == Old)
        return false;
    const QString ClaimFolder = FolderForFiles(Folder);
    FFileNames.Release(ClaimFolder, Old.mid(ClaimFolder.size()), Index);
    Entry.FileTail = Keep(QStringView(New).mid(Folder.size()), Entry.FileTailSize);
    return true;
}

quint32 TURLList::ScopeNumber(const TScope& Scope)
{
    // Entries come from a few scopes, as from a few folders.
    for (size_t I = FScopes.size(); I-- > 0;)
        if (FScopes[I] == Scope)
            return quint32(I);
    FScopes.push_back(Scope);
    return quint32(FScopes.size() - 1);
}

quint32 TURLList::FolderNumber(const QString& Folder)
{
    // Entries come from a few folders: the project's and those of its
    // download rules.
    for (qsizetype I = FFolders.size() - 1; I >= 0; --I)
        if (FFolders[I] == Folder)
            return quint32(I);
    FFolders.append(Folder);
    return quint32(FFolders.size() - 1);
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
    if (QueryStart >= 0) {
        // A query becomes one more folder; its own "/" cannot split it. An
        // empty one is a folder "?", so that "/x?" is not saved over "/x".
        const qsizetype QueryAt = P.size();
        P += Q.isEmpty() ? QStringView(u"%3F") : Q;
        std::replace(P.begin() + QueryAt, P.end(), u'/', u'_');
        P += u'/';
    }
    P = ToNativeSeparators(std::move(P));
    if (P.isEmpty() || EndsWithSeparator(P))
        P += IndexFileFor(AIndexFile, ALinkType);
    return P;
}
