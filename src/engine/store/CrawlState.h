#pragma once

#include "engine/store/CrawlStateFiles.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// What the last run that fetched a URL learnt of it.
struct TStateEntry {
    QString FinalURL; // where its redirects led; empty when it was not redirected
    int Status = 0;
    QString ETag; // as the server sent them; empty when absent
    QString LastModified;
    QString ContentType; // the Content-Type header as received
    QString Charset;
    QString File; // the saved file's path; empty when nothing was saved
    QByteArray Md5; // of the saved file
    qint64 Size = -1; // of the saved file
    qint64 ModifiedMs = 0; // the saved file's modification time
    bool HasBody = false; // a page, style sheet or script whose body is kept
};

// One project's crawl state in an embedded database: per URL fetched, its
// entry and, for documents read for links, the body as it came (stored
// compressed). Every write is a transaction of its own, so a crash or a
// full disk never leaves a store that the next run cannot open. Used from
// one thread.
class TCrawlState {
public:
    ~TCrawlState();
    TCrawlState(const TCrawlState&) = delete;
    TCrawlState& operator=(const TCrawlState&) = delete;

    // Opens the store at Path for the project ProjectKey, or creates it and
    // the folders above it. A store that cannot be read, is damaged or
    // belongs to another project is set aside (renamed to Path + ".damaged")
    // and a new one made; Log gets one line saying so. Returns nullptr,
    // after one line to Log, when no store can be made there.
    static std::unique_ptr<TCrawlState> Open(
        const QString& Path, const QString& ProjectKey, const std::function<void(const QString&)>& Log);

    // Raise EStateError when the database fails.
    std::optional<TStateEntry> Find(const QString& URL);
    // The body kept for URL, decompressed; empty when there is none.
    QByteArray Body(const QString& URL);
    // Records URL's entry and marks it seen by this run. Body, when given,
    // replaces the kept body; nullptr keeps the one there (if any).
    void Put(const QString& URL, const TStateEntry& Entry, const QByteArray* Body);
    // Marks URL seen by this run without changing its entry.
    void MarkSeen(const QString& URL);
    void Remove(const QString& URL);
    // Starts a run: no URL is seen yet.
    void BeginRun();
    // Removes the entries with a saved file that this run did not see;
    // returns how many there were.
    int DropUnseen();

private:
    struct TDatabase;
    explicit TCrawlState(std::unique_ptr<TDatabase> Database);
    std::unique_ptr<TDatabase> FDatabase;
};
