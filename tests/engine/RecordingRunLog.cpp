#include "RecordingRunLog.h"

void RecordingRunLog::LogMsg(const QString& AMsg)
{
    std::lock_guard<std::mutex> Lock(FMutex);
    FLines << AMsg;
}

QStringList RecordingRunLog::Lines() const
{
    std::lock_guard<std::mutex> Lock(FMutex);
    return FLines;
}
