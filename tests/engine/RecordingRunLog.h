#pragma once

#include "engine/crawl/HrvThread.h"

#include <QStringList>
#include <functional>
#include <mutex>

// A run log that keeps every line, safe to feed from a worker thread.
class RecordingRunLog : public TRunLog {
public:
    void LogMsg(const QString& AMsg) override;
    QStringList Lines() const;

private:
    mutable std::mutex FMutex;
    QStringList FLines;
};

// A worker thread whose work is given by the test; it may also be used
// without starting it, as the thread object that engine calls log through.
class ScriptedThread : public THrvThread {
public:
    using THrvThread::THrvThread;
    std::function<void(ScriptedThread&)> FWork;

protected:
    void Execute() override
    {
        if (FWork)
            FWork(*this);
    }
};
