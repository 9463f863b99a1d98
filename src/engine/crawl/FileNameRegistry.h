#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <unordered_map>
#include <unordered_set>

// The file names that the URLs of one run hold, so that no two documents
// share a file and no name is a file and a folder at once. It keeps hashes
// of the paths, not the paths; a name that clashes gets "-2", "-3", …
// before its extension, and a folder that clashes with an earlier file is
// renamed so for every later path below it. First come, first served: the
// names depend only on the order of the claims.
class TFileNameRegistry {
public:
    // The tail (below Folder, which ends with a separator) that entry Owner
    // gets for Tail: Tail itself when free, held by Owner, or held by an
    // entry that SameDocument accepts (Holder then names that entry, else it
    // is -1); otherwise a free variant.
    QString Claim(const QString& Folder, const QString& Tail, int Owner,
        const std::function<bool(int Holder)>& SameDocument, int& Holder);
    // Gives up Owner's claim on Folder + Tail.
    void Release(const QString& Folder, const QString& Tail, int Owner);

private:
    static quint64 Key(const QString& Path);
    // Tail with the folders renamed that clash with files, in order from
    // the top.
    QString RenamedFolders(const QString& Folder, QString Tail);
    void AddFolders(const QString& Folder, const QString& Tail);

    std::unordered_map<quint64, int> FFiles;
    std::unordered_set<quint64> FFolders;
    // The next variant to try for a name, so that many clashes stay linear.
    std::unordered_map<quint64, int> FNextVariant;
    QHash<QString, QString> FFolderRenames; // full folder path -> its new name
};

// Name with "-N" before the extension of its last segment.
QString NameVariant(const QString& Name, int N);
