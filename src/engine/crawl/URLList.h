#pragma once

#include "containers/Object.h"
#include "containers/StringList.h"
#include "containers/uIntList.h"
#include "engine/crawl/ByteArena.h"
#include "engine/crawl/FileNameRegistry.h"
#include "engine/crawl/FoldedTextIndex.h"
#include "engine/page/LinkTags.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <limits>
#include <unordered_set>

// What a URL holds, as far as its file name goes.
enum class TDocumentKind { Page, StyleSheet, File };

// The work list of one project run: the URL, its load URL (the URL without
// fragment), its output file path and two numbers per entry, appended to
// only, so an index stays valid for the whole run. No two entries have load
// URLs that are equal ignoring ASCII case. The texts are kept as UTF-8 in
// large blocks and the output folder once per folder, so that an entry costs
// little more than its characters.
class TURLList : public TObject {
public:
    TURLList() = default;
    TURLList(const TURLList&) = delete;
    TURLList& operator=(const TURLList&) = delete;

    int Count() const { return int(FEntries.size()); }
    // A run's bound on the entries: once Count reaches it, AddURL admits no
    // new URL and LimitReached turns true.
    void SetMaxCount(int Value) { FMaxCount = Value; }
    int MaxCount() const { return FMaxCount; }
    bool LimitReached() const { return FLimitReached; }
    // With the site's own file names, URLs map as SiteFilePath says, two
    // URLs of one document ("dir/" and "dir/index.html") are one entry, and
    // no two others share a file.
    void SetSiteFileNames(bool Value) { FSiteFileNames = Value; }
    bool SiteFileNames() const { return FSiteFileNames; }

    // Reading or writing an index outside the list raises EStringListError
    // for the texts and EIntListError for the numbers.
    QString URL(int Index) const;
    void SetURL(int Index, const QString& Value);
    QString OutFilePath(int Index) const;
    int ExtractURLs(int Index) const { return At<EIntListError>(Index).ExtractURLs; }
    int URLDepth(int Index) const { return At<EIntListError>(Index).URLDepth; }
    void SetURLDepth(int Index, int Value) { At<EIntListError>(Index).URLDepth = Value; }
    // An entry found only in a script's text: the crawl's guess, which the
    // site may not have.
    void MarkGuessed(int Index) { FGuessed.insert(Index); }
    bool Guessed(int Index) const { return FGuessed.count(Index) != 0; }
    // The entry of the page whose link added this one, or -1 for a start page.
    int Parent(int Index) const { return At<EIntListError>(Index).Parent; }

    // Index of the entry whose load URL equals ALoadURL ignoring ASCII case,
    // or -1.
    int FindURL(const QString& ALoadURL) const;

    // Admits AURL and returns its new index, the index of the entry that
    // already has its load URL, or -1 when a line of ASuppressURLs (may be
    // null) occurs in it. A new entry's file is AURL mapped below AOutDir by
    // the part after the scope prefix AWebsiteURL; empty outside the scope.
    int AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL, const QString& AIndexFile,
        const QString& AOutDir, int AExtractURLs, int AURLDepth, const TStrings* ASuppressURLs,
        const QString& ALinkType, int AParent = -1);

    // With the site's own file names: gives the entry the name its reply
    // calls for (Kind, and FinalURL where a redirect within its scope led),
    // and tells whether the name changed.
    bool RenameForReply(int Index, TDocumentKind Kind, const QString& FinalURL);

private:
    static constexpr quint32 NoFolder = std::numeric_limits<quint32>::max(); // no output file

    // The texts are UTF-8 in the arena; pointers first and sizes after them
    // leave no padding.
    struct TEntry {
        const char* URL = nullptr;
        const char* LoadURL = nullptr; // stays when the URL is replaced
        const char* FileTail = nullptr; // the output file path after its folder
        quint32 URLSize = 0;
        quint32 LoadURLSize = 0;
        quint32 FileTailSize = 0;
        quint32 Folder = NoFolder; // in FFolders
        quint32 Scope = 0; // in FScopes
        qint32 ExtractURLs = 0;
        qint32 URLDepth = 0;
        qint32 Parent = -1;
    };

    // The prefix and index file an entry was mapped with.
    struct TScope {
        QString Prefix;
        QString IndexFile;
        bool operator==(const TScope& Other) const
        {
            return Prefix == Other.Prefix && IndexFile == Other.IndexFile;
        }
    };

    static QString URLToFilePath(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
        const QString& AIndexFile, const QString& ALinkType);
    // The output file that entry Owner gets for the site path Tail below
    // AOutDir; Holder names the entry of the same document that has it.
    QString ClaimSiteFile(const QString& Tail, const QString& AOutDir, const QString& LoadURL,
        const QString& AIndexFile, int Owner, int& Holder);

    template <class EIndexError> const TEntry& At(int Index) const
    {
        if (Index < 0 || Index >= Count())
            throw EIndexError(QStringLiteral("List index out of bounds (%1)").arg(Index));
        return FEntries[size_t(Index)];
    }
    template <class EIndexError> TEntry& At(int Index)
    {
        return const_cast<TEntry&>(static_cast<const TURLList*>(this)->At<EIndexError>(Index));
    }
    // A copy of Text in the arena; Size gets its length.
    const char* Keep(QStringView Text, quint32& Size);
    quint32 FolderNumber(const QString& Folder);
    quint32 ScopeNumber(const TScope& Scope);
    QString LoadURL(const TEntry& Entry) const { return QString::fromUtf8(Entry.LoadURL, Entry.LoadURLSize); }

    // A deque grows without moving its entries, so a long list never needs
    // twice its size at once.
    std::deque<TEntry> FEntries;
    TByteArena FTexts;
    QStringList FFolders;
    std::vector<TScope> FScopes;
    std::unordered_set<int> FGuessed;
    TFileNameRegistry FFileNames;
    bool FSiteFileNames = false;
    TFoldedTextIndex FLoadURLIndex;
    int FMaxCount = std::numeric_limits<int>::max();
    bool FLimitReached = false;
};
