#include "UiTestSupport.h"

#include "ui/MemoRunLog.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {

struct DeliveredLines {
    QStringList Lines;
    int Batches = 0;
};

TEST(MemoRunLogTest, WorkerAndWindowLinesArriveInOrderInBatches)
{
    DeliveredLines Delivered;
    TMemoRunLog Log([&Delivered](const QStringList& Lines) {
        Delivered.Lines << Lines;
        ++Delivered.Batches;
    });
    constexpr int LineCount = 20000;
    std::unique_ptr<QThread> Worker(QThread::create([&Log] {
        for (int I = 0; I < LineCount; ++I)
            Log.LogMsg(QString::number(I));
        // The run goes on for a while after its last line.
        QThread::msleep(300);
    }));
    Worker->start();
    ASSERT_TRUE(WaitUntil([&Delivered] { return Delivered.Lines.size() == LineCount; }));
    ASSERT_TRUE(Worker->wait(10000));
    Log.LogMsg(QStringLiteral("window line"));
    ASSERT_TRUE(WaitUntil([&Delivered] { return Delivered.Lines.size() == LineCount + 1; }));

    ASSERT_EQ(Delivered.Lines.size(), LineCount + 1);
    for (int I = 0; I < LineCount; ++I)
        ASSERT_EQ(Delivered.Lines[I], QString::number(I));
    EXPECT_EQ(Delivered.Lines.last(), QStringLiteral("window line"));
    // One hand-over per batch, not one per line.
    EXPECT_LT(Delivered.Batches, LineCount / 10);
}

TEST(MemoRunLogTest, DeliveringNowTakesTheLinesStillWaiting)
{
    QStringList Delivered;
    TMemoRunLog Log([&Delivered](const QStringList& Lines) { Delivered << Lines; });
    std::unique_ptr<QThread> Worker(QThread::create([&Log] {
        Log.LogMsg(QStringLiteral("first"));
        Log.LogMsg(QStringLiteral("last"));
    }));
    Worker->start();
    ASSERT_TRUE(Worker->wait(10000));
    EXPECT_TRUE(Delivered.isEmpty());

    Log.DeliverWaitingLines();
    EXPECT_EQ(Delivered, (QStringList { QStringLiteral("first"), QStringLiteral("last") }));
}

} // namespace
