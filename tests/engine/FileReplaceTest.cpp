#include "engine/store/FileReplace.h"

#include "support/Files.h"
#include "support/ScopedTmpfs.h"

#include <QDir>
#include <QTemporaryDir>
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
            WriteFileReplacing(Temp.path() + "/" + QString(Length, 'n'), "x");
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
    WriteFileReplacing(Path, "new");
    EXPECT_EQ(ReadFile(Path), "new");
}

TEST(FileReplace, AReadErrorInTheCopyAcrossFileSystemsKeepsTheOldFile)
{
    QTemporaryDir Temp;
    const QString Disk = Temp.path() + "/disk";
    QDir().mkpath(Disk);
    ScopedTmpfs Tmpfs(Disk, "size=1m");
    if (!Tmpfs.Mounted())
        GTEST_SKIP() << "mounting a tmpfs needs the right to";
    const QString Path = Disk + "/a.bin";
    WriteFile(Path, "old");
    UnreadableTemporaryFile Body(Temp.path() + "/body-XXXXXX");
    ASSERT_TRUE(Body.open());
    ASSERT_EQ(Body.write(QByteArray(1 << 16, 'n')), 1 << 16);
    try {
        PublishReplacing(Body, Path);
        ADD_FAILURE() << "a failed read must not publish";
    } catch (const EFileError& Error) {
        EXPECT_TRUE(Error.Message().endsWith("Input/output error")) << Error.Message().toStdString();
    }
    EXPECT_EQ(ReadFile(Path), "old");
    EXPECT_EQ(QDir(Disk).entryList(QDir::Files | QDir::Hidden), QStringList { "a.bin" });
}
