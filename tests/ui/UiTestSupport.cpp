#include "UiTestSupport.h"

#include "support/PrivateCacheFolder.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QTemporaryFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
// On the offscreen platform the windows get small screens side by side: a
// laptop's, 1366 by 768 pixels (the first), and a small one of 800 by 480.
void UseSmallScreens()
{
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return;
    static QTemporaryFile Config(QDir::tempPath() + QStringLiteral("/harvo-ui-screen-XXXXXX.json"));
    if (!Config.open())
        return;
    Config.write(R"({ "screens": [ { "name": "Laptop", "x": 0, "y": 0, "width": 1366, "height": 768 },
                                     { "name": "Small", "x": 1366, "y": 0, "width": 800, "height": 480 } ] })");
    Config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(Config.fileName()));
}

// The window tests need one application object for the whole test program.
class TApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        UseSmallScreens();
        UsePrivateCacheFolder();
        static int Argc = 1;
        static char Name[] = "harvo_ui_tests";
        static char* Argv[] = { Name, nullptr };
        FApplication = std::make_unique<QApplication>(Argc, Argv);
    }
    void TearDown() override { FApplication.reset(); }

private:
    std::unique_ptr<QApplication> FApplication;
};

[[maybe_unused]] const auto* Environment = ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);
} // namespace

TMessageBoxAnswers::TMessageBoxAnswers(QMessageBox::StandardButton Answer)
    : FAnswer(Answer)
{
    FPrevious = SetMessageBoxHook([this](QWidget*, QMessageBox::Icon Icon, const QString& Title,
                                      const QString& Text, QMessageBox::StandardButtons Buttons) {
        FShown.append({ Icon, Title, Text, Buttons });
        return FQueued.isEmpty() ? FAnswer : FQueued.takeFirst();
    });
}

TMessageBoxAnswers::~TMessageBoxAnswers()
{
    SetMessageBoxHook(FPrevious);
}

TDesktopShellRecorder::TDesktopShellRecorder(QString BrowseAnswer)
    : FBrowseAnswer(std::move(BrowseAnswer))
{
    FPrevious = SetDesktopShellHooks({ [this](const QUrl& Url) { Opened.append(Url.toString()); },
        [this](QWidget*, const QString& Start) {
            BrowseStarts.append(Start);
            return FBrowseAnswer;
        } });
}

TDesktopShellRecorder::~TDesktopShellRecorder()
{
    SetDesktopShellHooks(FPrevious);
}

void WhenModal(std::function<void(QDialog&)> Action)
{
    auto* Timer = new QTimer;
    auto Deadline = std::make_shared<QDeadlineTimer>(5000);
    QObject::connect(Timer, &QTimer::timeout, [Timer, Deadline, Action = std::move(Action)] {
        auto* Dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!Dialog && !Deadline->hasExpired())
            return;
        Timer->stop();
        Timer->deleteLater();
        if (!Dialog)
            return;
        Action(*Dialog);
        if (Dialog->isVisible() && QApplication::activeModalWidget() == Dialog)
            Dialog->reject();
    });
    Timer->start(5);
}

bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    while (!Done() && !Deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Done();
}
