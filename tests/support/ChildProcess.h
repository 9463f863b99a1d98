#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sys/types.h>
#include <vector>

// Program and Arguments as the argument vector of a spawn: Words holds the
// bytes, the result points into them and ends with nullptr.
std::vector<char*> SpawnArguments(
    const QString& Program, const QStringList& Arguments, std::vector<QByteArray>& Words);

// A program run as a child with its standard output and error in files, so
// that the test can watch its output, kill it at a chosen moment and read its
// peak memory when it has ended. The destructor kills and reaps a child that
// still runs.
class ChildProcess {
public:
    ChildProcess(const QString& Program, const QStringList& Arguments, const QString& OutputFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits up to TimeoutMs for the child to end; false when it is still
    // running (it is then killed and reaped).
    bool Wait(int TimeoutMs);
    // Waits up to TimeoutMs until the standard output contains Text.
    bool WaitForOutput(const QByteArray& Text, int TimeoutMs) const;
    void Kill(int Signal) const;

    // After Wait: the exit status, or -1 when a signal ended the child.
    int ExitCode() const { return FExitCode; }
    // After Wait: the largest resident set the child had, in KiB.
    long PeakRssKiB() const { return FPeakRssKiB; }
    QStringList OutputLines() const;
    QString Errors() const;

private:
    bool Reap(bool Block);

    QString FOutputFile;
    pid_t FPid = -1;
    int FExitCode = -1;
    long FPeakRssKiB = 0;
};
