#include "engine/crawl/HrvThread.h"

#include "RecordingRunLog.h"
#include "containers/Exception.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

HARVO_DECLARE_EXCEPTION(ETestError, Exception)

// Runs a thread to its end the way the program does: the completion signal
// arrives through the event loop and the thread deletes itself.
void RunToEnd(ScriptedThread* Thread, bool& EndedWithError)
{
    int Argc = 1;
    char Name[] = "harvo-tests";
    char* Argv[] = { Name, nullptr };
    QCoreApplication App(Argc, Argv);
    QObject::connect(Thread, &THrvThread::Completed, &App, [&] {
        EndedWithError = Thread->EndedWithError();
        App.quit();
    });
    Thread->start();
    App.exec();
}

} // namespace

TEST(HrvThread, ExceptionLogTextFollowsTheDescriptionRule)
{
    struct Case {
        const char* Message;
        const char* Logged;
    };
    const Case Cases[] = {
        { "Socket Error # 10061\nConnection refused", "Socket Error # 10061\nConnection refused." },
        { "HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found." },
        { "Ends with a stop.", "Ends with a stop." },
        { "Ends with a bang!", "Ends with a bang!" },
        { "Trailing break\r\n", "Trailing break" },
        { "Two\nlines\n.", "Two\nlines" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ExceptionLogText("EIdSocketError", C.Message, nullptr), C.Logged) << C.Message;
}

TEST(HrvThread, AnErrorWithoutMessageLogsTheFirstLineOfItsDescription)
{
    const QString Text = ExceptionLogText("EAbort", "", reinterpret_cast<void*>(0x1234));
    EXPECT_TRUE(QRegularExpression("^Exception EAbort in module \\S+ at 0+1234\\.$").match(Text).hasMatch())
        << Text.toStdString();
}

TEST(HrvThread, LinesArriveInOrderEmptyOnesAreDroppedAndEscapesAreReported)
{
    RecordingRunLog Log;
    TRunControl Control;
    auto* Thread = new ScriptedThread(Log, Control);
    Thread->FWork = [](ScriptedThread& T) {
        for (int I = 0; I < 100; ++I)
            T.Log(QString::number(I));
        T.Log("");
        T.LogException(ETestError("Bad thing"));
        throw ETestError("escaped");
    };
    bool EndedWithError = false;
    RunToEnd(Thread, EndedWithError);

    const QStringList Lines = Log.Lines();
    ASSERT_EQ(Lines.size(), 101);
    for (int I = 0; I < 100; ++I)
        EXPECT_EQ(Lines[I], QString::number(I));
    EXPECT_EQ(Lines[100], "Bad thing.");
    EXPECT_TRUE(EndedWithError);
}

TEST(HrvThread, ControlCharactersFromTheNetworkAreShownEscaped)
{
    const std::pair<QString, QString> Cases[] = {
        { "HTTP/1.1 200 \x1B[2JOK", "HTTP/1.1 200 \\x1B[2JOK" },
        { "a\r\nCompleted.", "a\\x0D\\x0ACompleted." },
        { QString("bell\x07 del\x7F c1") + QChar(0x9B), "bell\\x07 del\\x7F c1\\x9B" },
        { "tab\tand caf\u00e9 stay", "tab\tand caf\u00e9 stay" },
    };
    for (const auto& [Text, Shown] : Cases)
        EXPECT_EQ(EscapeControlCharacters(Text), Shown) << Text.toStdString();
}
