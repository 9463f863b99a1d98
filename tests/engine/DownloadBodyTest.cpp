#include "engine/store/DownloadBody.h"

#include "FaultyEnvironment.h"
#include "engine/store/FileReplace.h"
#include "support/Files.h"
#include "support/QStringPrinter.h"

#include "http/HTTPErrors.h"

#include <QCryptographicHash>
#include <QDir>
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

    QTemporaryDir FTemp;
    TMemoryBudget FBudget { 1000 };
};

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

} // namespace
