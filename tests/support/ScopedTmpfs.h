#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <sys/mount.h>

// A small file system of its own (a tmpfs with Options such as
// "nr_inodes=4"), mounted over Folder while this lives, so that a test can
// fill it up. Mounting needs the right to; Mounted() says whether it worked.
class ScopedTmpfs {
public:
    ScopedTmpfs(const QString& Folder, const QByteArray& Options)
        : FFolder(QFile::encodeName(Folder))
        , FMounted(mount("tmpfs", FFolder.constData(), "tmpfs", 0, Options.constData()) == 0)
    {
    }
    ~ScopedTmpfs()
    {
        if (FMounted)
            umount2(FFolder.constData(), MNT_DETACH);
    }
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool Mounted() const { return FMounted; }

private:
    QByteArray FFolder;
    bool FMounted;
};
