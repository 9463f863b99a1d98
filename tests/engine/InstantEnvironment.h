#pragma once

#include "engine/store/Environment.h"

#include <mutex>
#include <vector>

// A clock that jumps instead of sleeping: pauses take no time and are noted.
// Files are the system's. The fetch threads of a crawl may share it.
class TInstantEnvironment : public TEnvironment {
public:
    qint64 NowMs() override
    {
        const std::lock_guard<std::mutex> Guard(FClockLock);
        return FNowMs;
    }
    void Sleep(int Ms, const std::function<bool()>& Stopped) override
    {
        const std::lock_guard<std::mutex> Guard(FClockLock);
        Sleeps.push_back(Ms);
        if (!(Stopped && Stopped()))
            FNowMs += Ms;
    }
    int TimerPauseMs(int Ms) override
    {
        Sleep(Ms, {});
        return 0;
    }

    int OpenTemporary(QTemporaryFile& File) override { return System().OpenTemporary(File); }
    int Write(int Handle, const char* Data, qint64 Size) override
    {
        return System().Write(Handle, Data, Size);
    }
    int Rename(const QString& From, const QString& To) override { return System().Rename(From, To); }
    int MakeFolder(const QString& Folder) override { return System().MakeFolder(Folder); }

    std::vector<int> Sleeps; // each pause asked for, in order; read once the run is over

private:
    std::mutex FClockLock;
    qint64 FNowMs = 0;
};
