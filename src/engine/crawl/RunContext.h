#pragma once

#include "engine/store/Environment.h"
#include "projects/RunSettings.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

// Receives the lines of a run in the order they are written. LogMsg is called
// on the worker thread and returns once the line has been taken over, so the
// worker never runs ahead of its own log.
class TRunLog {
public:
    virtual ~TRunLog() = default;
    virtual void LogMsg(const QString& AMsg) = 0;
};

// A URL that failed: why, and the page whose link listed it (empty for a
// start page).
struct TFailedURL {
    QString URL;
    QString Reason;
    QString LinkedFrom;
};

// The failed URLs of a run for a report at its end: the first Limit of
// them, and how many there were in all.
class TFailureReport {
public:
    static constexpr int Limit = 50;
    void Add(TFailedURL Failure);
    std::vector<TFailedURL> Failures() const;
    int Total() const;
    void Clear();

private:
    mutable std::mutex FLock;
    std::vector<TFailedURL> FFailures;
    int FTotal = 0;
};

// The files a run saved new or changed, in the order they were saved.
class TChangedFiles {
public:
    void Add(const QString& File);
    QStringList Files() const;

private:
    mutable std::mutex FLock;
    QStringList FFiles;
};

// How far a run has come, written by the worker and read by a progress
// display on any thread.
struct TRunProgress {
    std::atomic<int> Project { 0 }; // the project running, from 1
    std::atomic<int> Projects { 0 }; // of how many
    std::atomic<int> Done { 0 }; // URLs of its list taken
    std::atomic<int> Listed { 0 }; // URLs in its list
    std::atomic<qint64> Bytes { 0 }; // body bytes the run received
};

// The fields of a run that the window sets and the worker reads.
struct TRunControl {
    std::atomic<bool> FTerminated { false }; // Break
    int FHTTPRetries = 5;
    // The run settings; their meaning and ranges are declared with them.
    int FConnections = ConnectionsSetting.Default;
    int FMaxURLs = MaxURLsSetting.Default;
    // URLs that failed in the projects run so far, for the caller's status.
    std::atomic<int> FFailedURLs { 0 };
    TFailureReport FFailures;
    // The proxy of http_proxy and the like instead of a direct connection
    // (the console's quick copy).
    bool FEnvironmentProxy = false;
    // Where each project's crawl state is kept; empty: none is kept.
    QString FStateFolder;
    TChangedFiles FChangedFiles;
    TRunProgress FProgress;
};

// What the crawl sees of the run it belongs to: the log, Break, a pause that
// Break cuts short, the run's settings and the environment its time and
// files go through. It knows nothing of threads.
class TRunContext {
public:
    TRunContext(TRunLog& ALog, TRunControl& AControl)
        : FLog(ALog)
        , FControl(AControl)
    {
    }
    virtual ~TRunContext() = default;

    void Log(const QString& AMsg);
    void LogException(const std::exception& E);

    bool Terminated() const { return FControl.FTerminated.load(); }
    const std::atomic<bool>& TerminatedFlag() const { return FControl.FTerminated; }
    TEnvironment& Env() const { return *FEnv; }
    // Env stays the caller's and must outlive the run.
    void SetEnv(TEnvironment& Env) { FEnv = &Env; }
    int HTTPRetries() const { return FControl.FHTTPRetries; }
    int Connections() const { return FControl.FConnections; }
    int MaxURLs() const { return FControl.FMaxURLs; }
    bool EnvironmentProxy() const { return FControl.FEnvironmentProxy; }
    void CountFailedURLs(int Count) { FControl.FFailedURLs += Count; }
    void ReportFailedURL(TFailedURL Failure) { FControl.FFailures.Add(std::move(Failure)); }
    const QString& StateFolder() const { return FControl.FStateFolder; }
    void NoteChangedFile(const QString& File) { FControl.FChangedFiles.Add(File); }
    void StartProject(int Number, int Count)
    {
        FControl.FProgress.Project = Number;
        FControl.FProgress.Projects = Count;
        FControl.FProgress.Done = 0;
        FControl.FProgress.Listed = 0;
    }
    void NoteURLDone(int Done, int Listed, qint64 Bytes)
    {
        FControl.FProgress.Done = Done;
        FControl.FProgress.Listed = Listed;
        FControl.FProgress.Bytes += Bytes;
    }

private:
    TRunLog& FLog;
    TRunControl& FControl;
    TEnvironment* FEnv = &TEnvironment::System();
};

// The line the run log shows for an error (see ExceptionLogText).
QString ExceptionLogLine(const std::exception& E);
// The text that the run log shows for an error: its message alone when it has
// one, the first line of its description ("Exception <class> in module
// <program> at <address>.") otherwise.
QString ExceptionLogText(const QString& ClassName, const QString& Message, const void* Address);
QString ExceptionClassName(const std::exception& E);
// Text from the network as the log shows it: control characters (C0 but
// tab, DEL, C1) as "\x1B", so that a site can neither drive the terminal
// nor forge a line.
QString EscapeControlCharacters(const QString& Text);
