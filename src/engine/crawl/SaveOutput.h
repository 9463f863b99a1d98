#pragma once

#include "projects/WebsiteUnit.h"

#include <QByteArray>
#include <QString>

#include <functional>

class TCrawlTally;
class TDownloadBody;
class TRunContext;

// What a save left: a file with what this run made of the URL (written, or
// the same content found), a file from before, or none.
enum class TSaved { ThisRun, Kept, None };

// Saves the output files of a run under the project's overwrite policy,
// logging each decision and counting it for the summary. The policy lives
// with the crawl, not the store: it is the project's setting and speaks in
// the run's log and counts.
class TOutputSaver {
public:
    TOutputSaver(TOverwriteFile Policy, TCrawlTally& Tally, TRunContext& Run);

    // The body of URL Index, waiting on disk, moved to FilePath.
    TSaved SaveBody(int Index, const QString& FilePath, TDownloadBody& Body);
    // Content made of URL Index written to FilePath.
    TSaved SaveContent(int Index, const QString& FilePath, const QByteArray& Content);
    // The content the file Unchanged holds (MD5 Md5) for URL Index at
    // FilePath, logged and counted as a download of it would be; nothing is
    // written when FilePath is that file.
    TSaved SaveUnchanged(int Index, const QString& FilePath, const QString& Unchanged, const QByteArray& Md5);

private:
    // Writes the file unless the policy keeps the one there; Md5 gives the
    // new content's digest, asked for only when the policy needs it. A
    // failed write keeps the old copy, if there is one.
    TSaved Save(int Index, const QString& FilePath, const std::function<QByteArray()>& Md5,
        const std::function<void(const QString&)>& Write);

    TOverwriteFile FPolicy;
    TCrawlTally& FTally;
    TRunContext& FRun;
};

// True when the file's MD5 differs from Md5 (a digest), or when the
// file cannot be read (the failure is logged), so that it gets written. A
// symbolic link or a special file is never read and always counts as
// changed: saving replaces it with a file of its own.
bool FileChanged(const QString& FileName, const QByteArray& Md5, TRunContext& Run);
