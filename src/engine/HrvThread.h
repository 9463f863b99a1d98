#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <exception>

// Receives the lines of a run in the order they are written. LogMsg is called
// on the worker thread and returns once the line has been taken over, so the
// worker never runs ahead of its own log.
class TRunLog {
public:
    virtual ~TRunLog() = default;
    virtual void LogMsg(const QString& AMsg) = 0;
};

// The fields of a run that the window sets and the worker reads.
struct TRunControl {
    std::atomic<bool> FTerminated { false }; // Break
    int FHTTPRetries = 5;
    // Transfers in flight at once (1 to 16); 1 is one request at a time.
    int FConnections = 6;
    // Entries the URL list of one project run may hold at most.
    int FMaxURLs = 1000000;
    // URLs that failed in the projects run so far, for the caller's status.
    std::atomic<int> FFailedURLs { 0 };
};

// Worker-thread base of a run: writes the run log. Once the work has ended,
// Completed is emitted on the thread that made the object (the termination
// handler's place), and the object deletes itself right after it.
class THrvThread : public QThread {
    Q_OBJECT
public:
    THrvThread(TRunLog& ALog, TRunControl& AControl);

    void Log(const QString& AMsg);
    void LogException(const std::exception& E);
    // Shaped like the HTTP client's redirect log.
    void HTTPLog(const QString& AMsg) { Log(AMsg); }

    bool Terminated() const { return FControl.FTerminated.load(); }
    const std::atomic<bool>& TerminatedFlag() const { return FControl.FTerminated; }
    // Waits Ms milliseconds, or less when Break comes first.
    void Pause(int Ms) const;
    int HTTPRetries() const { return FControl.FHTTPRetries; }
    int Connections() const { return FControl.FConnections; }
    int MaxURLs() const { return FControl.FMaxURLs; }
    void CountFailedURLs(int Count) { FControl.FFailedURLs += Count; }

    // True when an error escaped the work; its message is not logged.
    bool EndedWithError() const { return FEndedWithError; }
    const QString& ErrorMessage() const { return FErrorMessage; }

signals:
    void Completed();

protected:
    virtual void Execute() = 0;

private:
    void run() final;

    TRunLog& FLog;
    TRunControl& FControl;
    bool FEndedWithError = false;
    QString FErrorMessage;
};

// The text that the run log shows for an error: its message alone when it has
// one, the first line of its description ("Exception <class> in module
// <program> at <address>.") otherwise.
QString ExceptionLogText(const QString& ClassName, const QString& Message, const void* Address);
QString ExceptionClassName(const std::exception& E);
// Text from the network as the log shows it: control characters (C0 but
// tab, DEL, C1) as "\x1B", so that a site can neither drive the terminal
// nor forge a line.
QString EscapeControlCharacters(const QString& Text);
