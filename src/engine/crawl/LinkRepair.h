#pragma once

#include "engine/crawl/ProcessHTML.h"
#include "engine/store/Environment.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

class TURLList;

// With the site's own file names, a page is saved before the files it links
// to are fetched: a link names the file its URL is expected to get. This
// keeps what became of each entry and which saved pages link to entries not
// settled yet, so that once the crawl is over those links are repaired: to
// the file's final name, or to the URL itself where nothing was saved.
class TLinkRepair {
public:
    enum class TFate : quint8 { Pending, Saved, NotSaved };

    // False once entry Index is known to have no file in the copy.
    bool MaySave(int Index) const { return Fate(Index) != TFate::NotSaved; }
    TFate Fate(int Index) const
    {
        return size_t(Index) < FFates.size() ? FFates[size_t(Index)] : TFate::Pending;
    }
    void Settle(int Index, TFate Fate);
    // Entry Index was renamed after its fetch: links written before name OldPath.
    void NoteRename(int Index, const QString& OldPath) { FOldPaths[Index] = OldPath; }
    // The page Page links to Target; noted while Target is not settled.
    void NoteLink(int Page, int Target);
    // Page's saved file holds what this run made of it: its links may be
    // repaired (not a file that the overwrite policy kept).
    void NoteRewritable(int Page, bool StyleSheet);

    // Repairs the links of the saved pages that name an entry which was not
    // saved or was renamed, and returns how many files were written again.
    // Files are rewritten whole over the old ones, through Env, each told
    // to OnRepaired; a failure raises.
    using TRepaired = std::function<void(int Page, const QString& FilePath, const QByteArray& Content)>;
    int Repair(TEnvironment& Env, const TURLList& URLs, const TLinkSettings& Settings, const QString& OutDir,
        const TRepaired& OnRepaired) const;

private:
    std::vector<TFate> FFates;
    std::vector<quint8> FRewritable; // 0, or 1 + (1 for a style sheet)
    std::vector<std::pair<int, int>> FLinks; // page, target
    std::unordered_map<int, QString> FOldPaths;
};
