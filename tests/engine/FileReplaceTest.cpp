#include "engine/store/FileReplace.h"

#include "FaultyEnvironment.h"
#include "support/Files.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// A finished temporary file whose reading fails after its first bytes, as
// a failing disk would.
class UnreadableTemporaryFile : public QTemporaryFile {
public:
    using QTemporaryFile::QTemporaryFile;

protected:
    qint64 readData(char* Data, qint64 MaxSize) override
    {
        if (FServed >= ReadableBytes) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        const qint64 Read = QTemporaryFile::readData(Data, qMin(MaxSize, ReadableBytes - FServed));
        FServed += qMax<qint64>(Read, 0);
        return Read;
    }

private:
    static constexpr qint64 ReadableBytes = 4096;
    qint64 FServed = 0;
};

} // namespace

TEST(FileReplace, ANameTooLongFailsWithItsReasonAndLeavesNothingBehind)
{
    QTemporaryDir Temp;
    for (const int Length : { 300, 5000 }) {
        try {
            WriteFileReplacing(TEnvironment::System(), Temp.path() + "/" + QString(Length, 'n'), "x");
            ADD_FAILURE() << Length;
        } catch (const EFileError& Error) {
            EXPECT_TRUE(Error.Message().endsWith("File name too long")) << Length;
            EXPECT_LT(Error.Message().size(), 500) << Length;
        }
    }
    EXPECT_TRUE(QDir(Temp.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(FileReplace, ReplacesAnExistingFileWhole)
{
    QTemporaryDir Temp;
    const QString Path = Temp.path() + "/a.bin";
    WriteFile(Path, QByteArray(1000, 'o'));
    WriteFileReplacing(TEnvironment::System(), Path, "new");
    EXPECT_EQ(ReadFile(Path), "new");
}

TEST(FileReplace, AReadErrorInTheCopyAcrossFileSystemsKeepsTheOldFile)
{
    QTemporaryDir Temp;
    const QString Disk = Temp.path() + "/disk";
    QDir().mkpath(Disk);
    TFaultyEnvironment OtherFileSystem;
    OtherFileSystem.FailRename(1, EXDEV);
    const QString Path = Disk + "/a.bin";
    WriteFile(Path, "old");
    UnreadableTemporaryFile Body(Temp.path() + "/body-XXXXXX");
    ASSERT_TRUE(Body.open());
    ASSERT_EQ(Body.write(QByteArray(1 << 16, 'n')), 1 << 16);
    try {
        PublishReplacing(OtherFileSystem, Body, Path);
        ADD_FAILURE() << "a failed read must not publish";
    } catch (const EFileError& Error) {
        EXPECT_TRUE(Error.Message().endsWith("Input/output error")) << Error.Message().toStdString();
    }
    EXPECT_EQ(ReadFile(Path), "old");
    EXPECT_EQ(QDir(Disk).entryList(QDir::Files | QDir::Hidden), QStringList { "a.bin" });
}

TEST(FileReplace, AFileSystemWithoutRoomRaisesStorageFullAndKeepsTheOldFileWhole)
{
    struct TCase {
        const char* Name;
        int Error;
        int FailingWrite;
        bool OtherFileSystem; // the second write is the copy beside the target
        bool NoInode = false; // the temporary file cannot be made at all
    };
    const TCase Cases[] = {
        { "no space", ENOSPC, 1, false },
        { "over quota", EDQUOT, 1, false },
        { "file too large", EFBIG, 1, false },
        { "no space for the copy across file systems", ENOSPC, 2, true },
        { "no inode for the temporary file", ENOSPC, 0, false, true },
    };
    for (const TCase& C : Cases) {
        QTemporaryDir Temp;
        const QString Path = Temp.path() + "/a.bin";
        WriteFile(Path, "old");
        TFaultyEnvironment Env;
        Env.FailWritesFrom(C.FailingWrite, C.Error);
        if (C.NoInode)
            Env.FailTemporaryFilesFrom(1, C.Error);
        if (C.OtherFileSystem)
            Env.FailRename(1, EXDEV);
        try {
            WriteFileReplacing(Env, Path, "new");
            ADD_FAILURE() << C.Name;
        } catch (const EStorageFullError& Error) {
            EXPECT_EQ(Error.Message(),
                "Cannot create file \"" + Path + "\". " + QString::fromLocal8Bit(std::strerror(C.Error)))
                << C.Name;
        }
        EXPECT_EQ(ReadFile(Path), "old") << C.Name;
        EXPECT_EQ(QDir(Temp.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "a.bin" }) << C.Name;
    }
}
