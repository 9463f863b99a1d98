#include "engine/store/Environment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// errno, or EIO when the call that failed left none.
int LastError()
{
    return errno ? errno : EIO;
}

class TSystemEnvironment final : public TEnvironment {
public:
    TSystemEnvironment() { FClock.start(); }

    qint64 NowMs() override { return FClock.elapsed(); }

    void Sleep(int Ms, const std::function<bool()>& Stopped) override
    {
        // Short slices, so that Break ends a pause at once.
        constexpr int SliceMs = 20;
        for (int Waited = 0; Waited < Ms && !(Stopped && Stopped()); Waited += SliceMs)
            QThread::msleep(std::min(SliceMs, Ms - Waited));
    }

    int OpenTemporary(QTemporaryFile& File) override
    {
        // The file engine keeps the reason of the failed open in errno.
        errno = 0;
        return File.open() ? 0 : LastError();
    }

    int Write(int Handle, const char* Data, qint64 Size) override
    {
        while (Size > 0) {
            const ssize_t Written = ::write(Handle, Data, static_cast<size_t>(Size));
            if (Written < 0 && errno == EINTR)
                continue;
            if (Written <= 0)
                return Written < 0 ? errno : ENOSPC;
            Data += Written;
            Size -= Written;
        }
        return 0;
    }

    int Rename(const QString& From, const QString& To) override
    {
        return std::rename(QFile::encodeName(From).constData(), QFile::encodeName(To).constData()) == 0
            ? 0
            : errno;
    }

    int MakeFolder(const QString& Folder) override
    {
        return ::mkdir(QFile::encodeName(Folder).constData(), 0777) == 0 ? 0 : errno;
    }

private:
    QElapsedTimer FClock;
};

} // namespace

TEnvironment& TEnvironment::System()
{
    static TSystemEnvironment Instance;
    return Instance;
}
