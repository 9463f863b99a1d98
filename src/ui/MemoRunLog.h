#pragma once

#include "engine/HrvThread.h"

#include <QObject>
#include <functional>

// The window's run log: a line written on the worker thread is handed to the
// window's thread, and the worker waits until it has been appended.
class TMemoRunLog : public TRunLog {
public:
    TMemoRunLog(QObject& Receiver, std::function<void(const QString&)> Append);

    void LogMsg(const QString& AMsg) override;

private:
    QObject& FReceiver;
    std::function<void(const QString&)> FAppend;
};
