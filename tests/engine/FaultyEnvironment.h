#pragma once

#include "InstantEnvironment.h"

#include <QFileInfo>
#include <algorithm>
#include <mutex>

// An instant environment whose file operations fail on cue, as a disk that
// fills up or a target on another file system would, with no mount. Counts
// start at 1; a fault not set never comes. The crawl's fetch threads may
// share it.
class TFaultyEnvironment : public TInstantEnvironment {
public:
    // The Nth write and every one after it fail with Error (ENOSPC, EDQUOT,
    // EFBIG): the disk stays full. Writes of nothing never fail nor count.
    void FailWritesFrom(int Nth, int Error) { FWriteFault = { Nth, Error }; }
    // A write that would take all writes together past Bytes writes what
    // fits and fails with Error.
    void FailWritesPast(qint64 Bytes, int Error)
    {
        FByteLimit = Bytes;
        FByteError = Error;
    }
    // The Nth folder that would be new, and every one after it, fail with
    // Error; folders that are there already count for nothing.
    void FailFoldersFrom(int Nth, int Error) { FFolderFault = { Nth, Error }; }
    // The Nth rename alone fails with Error (EXDEV: the target lies on
    // another file system).
    void FailRename(int Nth, int Error) { FRenameFault = { Nth, Error }; }
    // The Nth temporary file and every one after it cannot be made (ENOSPC:
    // no inode left).
    void FailTemporaryFilesFrom(int Nth, int Error) { FOpenFault = { Nth, Error }; }

    int OpenTemporary(QTemporaryFile& Temp) override
    {
        const std::lock_guard<std::mutex> Guard(FLock);
        if (FOpenFault.From(++FOpens))
            return FOpenFault.Error;
        return System().OpenTemporary(Temp);
    }

    int Write(int Handle, const char* Data, qint64 Size) override
    {
        const std::lock_guard<std::mutex> Guard(FLock);
        if (Size == 0)
            return 0;
        if (FWriteFault.From(++FWrites))
            return FWriteFault.Error;
        if (FByteError != 0 && FWritten + Size > FByteLimit) {
            const qint64 Room = std::max<qint64>(FByteLimit - FWritten, 0);
            FWritten += Room;
            const int Error = System().Write(Handle, Data, Room);
            return Error != 0 ? Error : FByteError;
        }
        FWritten += Size;
        return System().Write(Handle, Data, Size);
    }

    int Rename(const QString& From, const QString& To) override
    {
        const std::lock_guard<std::mutex> Guard(FLock);
        if (FRenameFault.At(++FRenames))
            return FRenameFault.Error;
        return System().Rename(From, To);
    }

    int MakeFolder(const QString& Folder) override
    {
        const std::lock_guard<std::mutex> Guard(FLock);
        if (!QFileInfo::exists(Folder) && FFolderFault.From(++FNewFolders))
            return FFolderFault.Error;
        return System().MakeFolder(Folder);
    }

private:
    struct TFault {
        int Nth = 0; // 0: never
        int Error = 0;
        bool At(int Count) const { return Nth > 0 && Count == Nth; }
        bool From(int Count) const { return Nth > 0 && Count >= Nth; }
    };

    std::mutex FLock;
    TFault FWriteFault, FFolderFault, FRenameFault, FOpenFault;
    int FWrites = 0, FNewFolders = 0, FRenames = 0, FOpens = 0;
    qint64 FWritten = 0;
    qint64 FByteLimit = 0;
    int FByteError = 0;
};
