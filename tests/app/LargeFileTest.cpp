// Files of any size stream to disk: memory stays flat, Break ends a long
// transfer at once, and a disk that fills up ends the run with the system's
// reason. No temporary file stays behind.
#include "support/ChildProcess.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedHttpServer.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>

namespace {

constexpr int RunTimeoutMs = 600000;
// The program with its buffers; the address sanitizer adds its shadow
// memory and keeps freed blocks in quarantine.
#ifdef __SANITIZE_ADDRESS__
constexpr long PeakRssBoundKiB = 400 * 1024;
#else
constexpr long PeakRssBoundKiB = 100 * 1024;
#endif

class LargeFileTest : public ::testing::Test {
protected:
    // A page whose only requisite is the file /f.bin.
    void ServeFile(const ScriptedReply& File)
    {
        FServer.On("/", ScriptedReply::Ok("<img src=\"f.bin\">"));
        FServer.On("/f.bin", File);
    }

    QString Out() const { return FTemp.path() + "/out"; }
    QString SavedFile() const { return Out() + "/f.bin"; }

    std::unique_ptr<ChildProcess> StartCopy()
    {
        return std::make_unique<ChildProcess>(
            HARVO_CLI_PATH, QStringList { "-o", Out(), FServer.Url("/") }, FTemp.path() + "/log");
    }

    // The temporary files of bodies on their way that have a name, anywhere
    // below the output (where the system allows, they have none until whole).
    QStringList TemporaryFiles() const
    {
        QStringList Found;
        QDirIterator Files(Out(), { ".harvo-*" }, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (Files.hasNext())
            Found << Files.next();
        return Found;
    }

    QTemporaryDir FTemp;
    ScriptedHttpServer FServer;
};

TEST_F(LargeFileTest, AThreeGibibyteFileIsSavedWholeInLittleMemory)
{
    constexpr qint64 Size = qint64(3) << 30;
    if (QStorageInfo(FTemp.path()).bytesAvailable() < 2 * Size)
        GTEST_SKIP() << "needs " << 2 * Size / (1 << 20) << " MiB free";
    ServeFile(ScriptedReply::Stream(QByteArray(1 << 20, '\0'), Size >> 20, 0, "application/octet-stream"));
    auto Run = StartCopy();
    ASSERT_TRUE(Run->Wait(RunTimeoutMs));
    std::cout << "harvo-cli peak RSS: " << Run->PeakRssKiB() / 1024 << " MiB\n";
    EXPECT_EQ(Run->ExitCode(), 0) << Run->Errors().toStdString();
    EXPECT_EQ(QFileInfo(SavedFile()).size(), Size);
    EXPECT_LT(Run->PeakRssKiB(), PeakRssBoundKiB);
    EXPECT_EQ(TemporaryFiles(), QStringList());
}

TEST_F(LargeFileTest, BreakDuringALongTransferEndsItAtOnceAndLeavesNoTemporaryFile)
{
    // 1 GiB at about 12 MB/s: the transfer runs for over a minute.
    ServeFile(ScriptedReply::Stream(QByteArray(1 << 16, 'x'), 1 << 14, 5, "application/octet-stream"));
    auto Run = StartCopy();
    // The transfer is under way once the server has the request.
    const auto FileRequested = [this] {
        const std::vector<RecordedRequest> Requests = FServer.Requests();
        return std::any_of(Requests.begin(), Requests.end(),
            [](const RecordedRequest& Request) { return Request.Path == "/f.bin"; });
    };
    QElapsedTimer Started;
    Started.start();
    while (!FileRequested() && Started.elapsed() < RunTimeoutMs)
        QThread::msleep(10);
    ASSERT_TRUE(FileRequested()) << Run->OutputLines().join('\n').toStdString();

    QElapsedTimer Break;
    Break.start();
    Run->Kill(SIGINT);
    ASSERT_TRUE(Run->Wait(RunTimeoutMs));
    std::cout << "Break to exit: " << Break.elapsed() << " ms\n";
    EXPECT_LT(Break.elapsed(), 3000);
    EXPECT_EQ(Run->ExitCode(), 130) << Run->Errors().toStdString();
    EXPECT_EQ(Run->OutputLines().value(Run->OutputLines().size() - 1), "Terminated.");
    EXPECT_TRUE(Run->OutputLines().contains("Transfer stopped."))
        << Run->OutputLines().join('\n').toStdString();
    EXPECT_EQ(TemporaryFiles(), QStringList());
    EXPECT_FALSE(QFile::exists(SavedFile()));
}

TEST_F(LargeFileTest, ADiskThatFillsUpEndsTheRunAndKeepsTheOldCopy)
{
    // A body without end: only the disk bounds it.
    ServeFile(ScriptedReply::Stream(QByteArray(1 << 16, 'e'), -1, 0, "application/octet-stream"));
    QDir().mkpath(Out());
    WriteFile(SavedFile(), "old");
    std::unique_ptr<ChildProcess> Run;
    {
        ScopedFileSizeLimit Limit(64 << 20);
        Run = StartCopy();
    }
    ASSERT_TRUE(Run->Wait(RunTimeoutMs));
    const QString Log = Run->OutputLines().join('\n');
    EXPECT_EQ(Run->ExitCode(), 1) << Run->Errors().toStdString();
    EXPECT_TRUE(Log.contains("Cannot create file \"" + SavedFile() + "\". File too large."))
        << Log.toStdString();
    EXPECT_TRUE(Run->Errors().contains("File too large")) << Run->Errors().toStdString();
    EXPECT_EQ(ReadFile(SavedFile()), "old");
    EXPECT_EQ(TemporaryFiles(), QStringList());
}

} // namespace
