#include "engine/store/DownloadBody.h"

#include "FaultyEnvironment.h"
#include "engine/store/FileReplace.h"
#include "support/Files.h"
#include "support/QStringPrinter.h"

#include "http/HTTPErrors.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

class DownloadBodyTest : public ::testing::Test {
protected:
    std::unique_ptr<TDownloadBody> Body(
        bool Page, qint64 MemoryLimit = 1 << 20, TEnvironment& Env = TEnvironment::System())
    {
        TDownloadBody::TOptions Options;
        Options.TempFolder = FTemp.path();
        Options.FileName = FTemp.filePath("f");
        Options.MemoryLimit = MemoryLimit;
        Options.Budget = &FBudget;
        Options.Digest = true;
        Options.Env = &Env;
        return std::make_unique<TDownloadBody>(std::move(Options), [Page] { return Page; });
    }

    // A file body that goes to the part file PartPath() (as the crawl's
    // state folder keeps it), resuming when Resumes says so.
    std::unique_ptr<TDownloadBody> PartBody(
        bool Resumes = false, TEnvironment& Env = TEnvironment::System(), bool Page = false)
    {
        TDownloadBody::TOptions Options;
        Options.TempFolder = FTemp.path();
        Options.FileName = FTemp.filePath("out/f.bin");
        Options.MemoryLimit = 1 << 20;
        Options.Digest = true;
        Options.Env = &Env;
        Options.PartFile = PartPath();
        Options.Resumes = [this, Resumes] {
            ++FAsked;
            return Resumes;
        };
        Options.OnPartStarted = [this] { ++FStarted; };
        return std::make_unique<TDownloadBody>(std::move(Options), [Page] { return Page; });
    }
    QString PartPath() const { return FTemp.filePath("parts/f.part"); }
    QString OutPath() const { return FTemp.filePath("out/f.bin"); }
    void SetUp() override
    {
        QDir(FTemp.path()).mkpath("parts");
        QDir(FTemp.path()).mkpath("out");
    }

    QTemporaryDir FTemp;
    TMemoryBudget FBudget { 1000 };
    int FAsked = 0; // times Resumes was asked
    int FStarted = 0; // times OnPartStarted was told
};

QByteArray Md5Of(const QByteArray& Bytes)
{
    return QCryptographicHash::hash(Bytes, QCryptographicHash::Md5);
}

TEST_F(DownloadBodyTest, PagesPastTheSharedBudgetWaitOnDiskAndReadBackWhole)
{
    const QByteArray Chunk(600, 'p');
    auto First = Body(true);
    ASSERT_EQ(First->write(Chunk), Chunk.size());
    EXPECT_EQ(FBudget.Used(), 600);

    // The second page finds the budget taken and waits in a file.
    auto Second = Body(true);
    for (int I = 0; I < 3; ++I)
        ASSERT_EQ(Second->write(Chunk), Chunk.size());
    EXPECT_TRUE(Second->InMemory());
    EXPECT_EQ(FBudget.Used(), 600);
    EXPECT_EQ(Second->Bytes(), Chunk.repeated(3));
    EXPECT_EQ(First->Bytes(), Chunk);

    First->ReleaseBytes();
    Second.reset();
    EXPECT_EQ(FBudget.Used(), 0);
    First.reset();
    EXPECT_EQ(FBudget.Used(), 0);
    EXPECT_TRUE(QDir(FTemp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(DownloadBodyTest, AFileGoesToDiskWithItsDigestAndAPageStopsAtItsLimit)
{
    const QByteArray Data(5000, 'f');
    auto File = Body(false);
    ASSERT_EQ(File->write(Data), Data.size());
    EXPECT_FALSE(File->InMemory());
    EXPECT_EQ(FBudget.Used(), 0);
    EXPECT_EQ(File->Md5(), QCryptographicHash::hash(Data, QCryptographicHash::Md5));
    File->MoveTo(FTemp.filePath("saved.bin"));
    EXPECT_EQ(ReadFile(FTemp.filePath("saved.bin")), Data);

    auto Page = Body(true, 100);
    EXPECT_EQ(Page->write(Data), -1);
    ASSERT_TRUE(Page->Failure());
    EXPECT_THROW(std::rethrow_exception(Page->Failure()), EResponseLimitError);
}

TEST_F(DownloadBodyTest, AWriteThatFindsNoRoomFailsTheBodyWithTheSystemsReasonAndLeavesNoFile)
{
    struct TCase {
        const char* Name;
        bool Page;
        int Error;
    };
    const TCase Cases[] = {
        { "a file", false, ENOSPC },
        { "a file over quota", false, EDQUOT },
        { "a page that waits on disk", true, EFBIG },
    };
    const QByteArray Chunk(600, 'x');
    for (const TCase& C : Cases) {
        // Takes the memory budget, so that a page has to wait on disk.
        auto Holder = Body(true);
        ASSERT_EQ(Holder->write(Chunk), Chunk.size());
        TFaultyEnvironment Env;
        Env.FailWritesFrom(2, C.Error);
        auto Target = Body(C.Page, 1 << 20, Env);
        ASSERT_EQ(Target->write(Chunk), Chunk.size()) << C.Name;
        EXPECT_EQ(Target->write(Chunk), -1) << C.Name;
        ASSERT_TRUE(Target->Failure()) << C.Name;
        try {
            std::rethrow_exception(Target->Failure());
        } catch (const EStorageFullError& Error) {
            EXPECT_EQ(Error.Message(),
                "Cannot create file \"" + FTemp.filePath("f") + "\". "
                    + QString::fromLocal8Bit(std::strerror(C.Error)))
                << C.Name;
        } catch (...) {
            ADD_FAILURE() << C.Name;
        }
        Target.reset();
        Holder.reset();
        EXPECT_TRUE(QDir(FTemp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()) << C.Name;
    }
}

// A transfer cut short leaves its bytes in the part file; the next attempt
// asks for the rest and keeps them only when the reply continues them.
TEST_F(DownloadBodyTest, AnAttemptThatResumesKeepsThePartsFirstBytesAndAnyOtherStartsOver)
{
    struct TCase {
        const char* Name;
        bool Resumes;
        QByteArray Whole; // the part file after the attempt
    };
    const TCase Cases[] = {
        { "the reply resumes", true, "012345abcde" },
        { "the reply starts over", false, "abcde" },
    };
    for (const TCase& C : Cases) {
        WriteFile(PartPath(), "0123456789"); // the cut transfer, and a tail that goes
        FAsked = FStarted = 0;
        auto Body = PartBody(C.Resumes);
        Body->Clear(6);
        EXPECT_EQ(ReadFile(PartPath()), "0123456789") << C.Name << ": kept until the reply says";
        ASSERT_EQ(Body->write("abc"), 3) << C.Name;
        ASSERT_EQ(Body->write("de"), 2) << C.Name;
        EXPECT_EQ(ReadFile(PartPath()), C.Whole) << C.Name;
        EXPECT_EQ(Body->Size(), C.Whole.size()) << C.Name;
        EXPECT_EQ(Body->PartSize(), C.Whole.size()) << C.Name;
        EXPECT_EQ(Body->Md5(), Md5Of(C.Whole)) << C.Name;
        EXPECT_EQ(FAsked, 1) << C.Name;
        EXPECT_EQ(FStarted, 1) << C.Name;

        // Another attempt from where this one got to, then one from the start.
        Body->Clear(Body->PartSize());
        ASSERT_EQ(Body->write("f"), 1) << C.Name;
        const QByteArray Again = C.Resumes ? C.Whole + "f" : QByteArray("f");
        EXPECT_EQ(ReadFile(PartPath()), Again) << C.Name;
        EXPECT_EQ(Body->Md5(), Md5Of(Again)) << C.Name;
        Body->Clear();
        ASSERT_EQ(Body->write("g"), 1) << C.Name;
        EXPECT_EQ(FAsked, 2) << C.Name << ": a request from the start resumes nothing";
        EXPECT_EQ(FStarted, 3) << C.Name;

        // Without MoveTo the part waits for the next run.
        Body.reset();
        EXPECT_EQ(ReadFile(PartPath()), "g") << C.Name;
    }
}

TEST_F(DownloadBodyTest, APartShorterThanTheRangeAskedForFailsTheBody)
{
    WriteFile(PartPath(), "0123");
    auto Body = PartBody(true);
    Body->Clear(6);
    EXPECT_EQ(Body->write("abc"), -1);
    ASSERT_TRUE(Body->Failure());
    EXPECT_THROW(std::rethrow_exception(Body->Failure()), EFileError);
    EXPECT_EQ(ReadFile(PartPath()), "0123");
}

// The finished part replaces the saved file in one step, also from another
// file system; a failure keeps the saved file and the part as they were.
TEST_F(DownloadBodyTest, APartBecomesTheSavedFileWholeOrNotAtAll)
{
    struct TCase {
        const char* Name;
        int RenameError; // of the first rename; 0: none
        int CopyWriteError; // of the copy's first write; 0: none
        const char* Error; // the class raised; empty: none
    };
    const TCase Cases[] = {
        { "on the same file system", 0, 0, "" },
        { "from another file system", EXDEV, 0, "" },
        { "to a full file system", EXDEV, ENOSPC, "EStorageFullError" },
        { "over quota", EXDEV, EDQUOT, "EStorageFullError" },
        { "to a folder it cannot write", EACCES, 0, "EFileError" },
    };
    const QByteArray New(3 << 20, 'n'); // more than one block of the copy
    for (const TCase& C : Cases) {
        WriteFile(OutPath(), "old");
        TFaultyEnvironment Env;
        auto Body = PartBody(false, Env);
        ASSERT_EQ(Body->write(New), New.size()) << C.Name;
        if (C.RenameError)
            Env.FailRename(1, C.RenameError);
        if (C.CopyWriteError)
            Env.FailWritesFrom(2, C.CopyWriteError);
        QString Raised;
        try {
            Body->MoveTo(OutPath());
        } catch (const Exception& Error) {
            Raised = Error.ClassName();
        }
        EXPECT_EQ(Raised, QString::fromLatin1(C.Error)) << C.Name;
        const bool Failed = *C.Error != 0;
        EXPECT_EQ(ReadFile(OutPath()), Failed ? QByteArray("old") : New) << C.Name;
        EXPECT_EQ(QFileInfo::exists(PartPath()), Failed) << C.Name;
        EXPECT_EQ(ReadFile(PartPath()), Failed ? New : QByteArray()) << C.Name;
        EXPECT_EQ(QDir(FTemp.filePath("out")).entryList(QDir::Files | QDir::Hidden), QStringList { "f.bin" })
            << C.Name;
        Body.reset();
        QFile::remove(PartPath());
    }
}

// A reply with no body still saves a file, and not what an earlier run left
// in the part file.
TEST_F(DownloadBodyTest, ABodyWithNoBytesMovesToAnEmptyFile)
{
    for (const bool WithPart : { false, true }) {
        WriteFile(PartPath(), "stale");
        auto Body = WithPart ? PartBody() : this->Body(false);
        Body->Clear();
        Body->MoveTo(OutPath());
        EXPECT_TRUE(QFileInfo(OutPath()).isFile()) << WithPart;
        EXPECT_EQ(ReadFile(OutPath()), "") << WithPart;
        EXPECT_EQ(Body->Md5(), Md5Of("")) << WithPart;
    }
}

TEST_F(DownloadBodyTest, APageLeavesThePartFileAlone)
{
    WriteFile(PartPath(), "0123456789");
    auto Page = PartBody(true, TEnvironment::System(), true);
    Page->Clear(4);
    ASSERT_EQ(Page->write("<html>"), 6);
    EXPECT_TRUE(Page->InMemory());
    EXPECT_EQ(Page->Bytes(), "<html>");
    EXPECT_EQ(ReadFile(PartPath()), "0123456789");
    EXPECT_EQ(FAsked + FStarted, 0);
}

} // namespace
