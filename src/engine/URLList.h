#pragma once

#include <limits>

#include "FoldedTextIndex.h"
#include "containers/Object.h"
#include "containers/StringList.h"
#include "containers/uIntList.h"

#include <QString>

// The kind of HTML tag a URL was found in; it decides parts of the mapping
// of the URL to a local file. utMedia stands for audio, video, tracks and
// embedded objects.
enum TURLTag { utUndefined, utA, utImg, utLink, utScript, utNoscript, utIFrame, utMedia };

// The work list of one project run: five parallel columns, appended to
// only, so an index stays valid for the whole run. No two entries have load
// URLs (URLs without fragment) that are equal ignoring ASCII case.
class TURLList : public TObject {
public:
    TURLList() = default;
    TURLList(const TURLList&) = delete;
    TURLList& operator=(const TURLList&) = delete;

    int Count() const { return FURLList.Count(); }
    // A run's bound on the entries: once Count reaches it, AddURL admits no
    // new URL and LimitReached turns true.
    void SetMaxCount(int Value) { FMaxCount = Value; }
    int MaxCount() const { return FMaxCount; }
    bool LimitReached() const { return FLimitReached; }

    QString URL(int Index) const { return FURLList.Strings(Index); }
    void SetURL(int Index, const QString& Value) { FURLList.Put(Index, Value); }
    QString OutFilePath(int Index) const { return FOutFilePathList.Strings(Index); }
    int ExtractURLs(int Index) const { return FExtractURLsList.GetValue(Index); }
    int URLDepth(int Index) const { return FURLDepthList.GetValue(Index); }
    void SetURLDepth(int Index, int Value) { FURLDepthList.SetValue(Index, Value); }

    // Index of the entry whose load URL equals ALoadURL ignoring ASCII case,
    // or -1.
    int FindURL(const QString& ALoadURL) const;

    // Admits AURL and returns its new index, the index of the entry that
    // already has its load URL, or -1 when a line of ASuppressURLs (may be
    // null) occurs in it. A new entry's file is AURL mapped below AOutDir by
    // the part after the scope prefix AWebsiteURL; empty outside the scope.
    int AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL, const QString& AIndexFile,
        const QString& AOutDir, int AExtractURLs, int AURLDepth, const TStrings* ASuppressURLs,
        const QString& ALinkType);

private:
    static QString URLToFilePath(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
        const QString& AIndexFile, const QString& ALinkType);

    TStringList FURLList;
    TStringList FLoadURLList;
    TStringList FOutFilePathList;
    TIntList FExtractURLsList;
    TIntList FURLDepthList;
    TFoldedTextIndex FLoadURLIndex { FLoadURLList };
    int FMaxCount = std::numeric_limits<int>::max();
    bool FLimitReached = false;
};
