#include "UiTestSupport.h"

#include "engine/crawl/ProjectRuns.h"
#include "engine/store/CrawlState.h"
#include "projects/WebsiteUnit.h"
#include "support/Files.h"
#include "support/ScriptedHttpServer.h"
#include "ui/EditProjectUnit.h"
#include "ui/HrvApplication.h"
#include "ui/HrvMainUnit.h"
#include "ui/ProjectsListView.h"
#include "ui/RunProgressPanel.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {
class MainWindowRunTest : public ::testing::Test {
protected:
    QTemporaryDir SettingsDir;
    QTemporaryDir OutDir;
    ScriptedHttpServer Server;

    QStringList Arguments(const QStringList& Extra = {}) const
    {
        return QStringList { QStringLiteral("harvo"), QStringLiteral("-settingsdir"), SettingsDir.path() }
        + Extra;
    }

    QString ConfigPath() const { return SettingsDir.filePath(QStringLiteral("hrv.ini")); }

    static void AddProject(THrvMainForm& Form, const QString& Name, const QString& URL, bool Checked = true)
    {
        auto Project = std::make_unique<TWebsiteProject>();
        Project->SetProjectName(Name);
        Project->SetWebsiteURL(URL);
        Project->SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
        Project->SetIndexFile(QStringLiteral("index.html"));
        Project->SetChecked(Checked);
        Form.Projects().AddProject(std::move(Project));
        Form.RefreshProjectsView();
    }

    static QStringList LogLines(THrvMainForm& Form)
    {
        return Form.LogMemo()->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static bool Idle(const THrvMainForm& Form)
    {
        return !Form.Running() && Form.LoadWebsitesButton()->isEnabled() && !Form.BreakButton()->isEnabled();
    }

    // Starts a run of the checked projects over a server that answers slowly
    // and waits until the first URL is being fetched.
    void StartSlowRun(THrvMainForm& Form, const QStringList& ProjectNames)
    {
        ScriptedReply Slow = ScriptedReply::Ok("<html></html>");
        Slow.DelayMs = 400;
        Server.On("/", Slow);
        for (const QString& Name : ProjectNames)
            AddProject(Form, Name, Server.Url(QStringLiteral("/")));
        Form.OutDirEdit()->setText(OutDir.path());
        Form.LoadWebsitesButton()->click();
        ASSERT_TRUE(WaitUntil([&Form] { return LogLines(Form).size() >= 2; }));
    }

    // Saves a configuration with one project named Site and the output folder.
    void SaveSiteConfig()
    {
        THrvWindows Windows(Arguments());
        AddProject(*Windows.MainForm, QStringLiteral("Site"), Server.Url(QStringLiteral("/")), false);
        Windows.MainForm->OutDirEdit()->setText(OutDir.path());
        Windows.MainForm->close();
        ASSERT_TRUE(QFile::exists(ConfigPath()));
    }
};
} // namespace

TEST_F(MainWindowRunTest, LoadWebsitesNeedsACheckedProjectAndAnOutputFolder)
{
    THrvWindows Windows(Arguments());
    THrvMainForm& Form = *Windows.MainForm;
    TMessageBoxAnswers Answers;
    AddProject(Form, QStringLiteral("Site"), Server.Url(), false);

    Form.LoadWebsitesButton()->click();
    AddProject(Form, QStringLiteral("Other"), Server.Url(), true);
    Form.LoadWebsitesButton()->click();

    ASSERT_EQ(Answers.Shown().size(), 2);
    EXPECT_EQ(Answers.Shown()[0].Text, QStringLiteral("Please, check one or more projects."));
    EXPECT_EQ(Answers.Shown()[1].Text, QStringLiteral("Please, enter Output Folder"));
    EXPECT_EQ(Answers.Shown()[1].Title, QStringLiteral("Harvo Grabber 1.21"));
    EXPECT_TRUE(Idle(Form));
    EXPECT_EQ(Form.MainPageControl()->currentWidget(), Form.WebsitesTabSheet());
    EXPECT_FALSE(QFile::exists(ConfigPath()));
}

TEST_F(MainWindowRunTest, AWholeRunLogsEveryLineInOrderAndRestoresTheButtons)
{
    Server.On("/", ScriptedReply::Ok("<html><body>No links here.</body></html>"));
    THrvWindows Windows(Arguments());
    THrvMainForm& Form = *Windows.MainForm;
    AddProject(Form, QStringLiteral("Site"), Server.Url(QStringLiteral("/")));
    Form.OutDirEdit()->setText(OutDir.path());
    Form.LogMsg(QStringLiteral("old line"));

    Form.LoadWebsitesButton()->click();
    EXPECT_EQ(Form.MainPageControl()->currentWidget(), Form.LogTabSheet());
    EXPECT_FALSE(Form.LoadWebsitesButton()->isEnabled());
    EXPECT_TRUE(QFile::exists(ConfigPath()));
    ASSERT_TRUE(WaitUntil([&Form] { return Idle(Form); }));

    const QStringList Lines = LogLines(Form);
    ASSERT_GE(Lines.size(), 6) << Form.LogMemo()->toPlainText().toStdString();
    EXPECT_EQ(Lines[0], QStringLiteral("Project \"Site\"..."));
    EXPECT_EQ(Lines[1], QStringLiteral("Downloading [ 1 / 1 ]: ") + Server.Url(QStringLiteral("/")));
    EXPECT_EQ(Lines[2], QStringLiteral("0 new URLs extracted."));
    EXPECT_TRUE(Lines[3].startsWith(QStringLiteral("Saving: "))) << Lines[3].toStdString();
    EXPECT_EQ(Lines.last(), QStringLiteral("Completed."));
    EXPECT_TRUE(QFile::exists(OutDir.filePath(QStringLiteral("Site/index.html"))));
}

TEST_F(MainWindowRunTest, BreakStopsAfterTheCurrentUrlWhileTheListStaysEditable)
{
    THrvWindows Windows(Arguments());
    THrvMainForm& Form = *Windows.MainForm;
    StartSlowRun(Form, { QStringLiteral("First"), QStringLiteral("Second") });
    // The run works on its own copies: the list may change under it.
    Form.Projects().RemoveProject(Form.Projects().GetProject(0));
    Form.RefreshProjectsView();
    Form.BreakButton()->click();
    EXPECT_FALSE(Form.LoadWebsitesButton()->isEnabled());
    EXPECT_FALSE(Form.BreakButton()->isEnabled());
    ASSERT_TRUE(WaitUntil([&Form] { return Idle(Form); }));

    const QStringList Lines = LogLines(Form);
    EXPECT_EQ(Lines.first(), QStringLiteral("Project \"First\"..."));
    EXPECT_EQ(Lines.last(), QStringLiteral("Terminated."));
    EXPECT_FALSE(Lines.contains(QStringLiteral("Project \"Second\"...")));
}

TEST_F(MainWindowRunTest, ClosingDuringARunWaitsForTheWorkerThenSaves)
{
    THrvWindows Windows(Arguments());
    THrvMainForm& Form = *Windows.MainForm;
    Form.show();
    StartSlowRun(Form, { QStringLiteral("Site") });
    AddProject(Form, QStringLiteral("Added during the run"), Server.Url(), false);

    Form.close();
    EXPECT_FALSE(Form.isVisible());
    EXPECT_FALSE(Form.Running());
    EXPECT_EQ(LogLines(Form).last(), QStringLiteral("Terminated."));
    EXPECT_TRUE(ReadFile(ConfigPath()).contains("Added during the run"));
}

TEST_F(MainWindowRunTest, StartOptionRunsNamedProjectsAndCloseEndsTheWindow)
{
    Server.On("/", ScriptedReply::Ok("<html></html>"));
    SaveSiteConfig();
    {
        THrvWindows Windows(
            Arguments({ QStringLiteral("-START"), QStringLiteral("Site,Site"), QStringLiteral("-Close") }));
        THrvMainForm& Form = *Windows.MainForm;
        Form.show();
        ASSERT_TRUE(WaitUntil([&Form] { return !Form.isVisible(); }));
        const QStringList Lines = LogLines(Form);
        EXPECT_EQ(Lines.count(QStringLiteral("Project \"Site\"...")), 2);
        EXPECT_EQ(Lines.last(), QStringLiteral("Completed."));
    }
    THrvWindows Windows(
        Arguments({ QStringLiteral("-start"), QStringLiteral("Site, Site"), QStringLiteral("-close") }));
    THrvMainForm& Form = *Windows.MainForm;
    Form.show();
    // A name not found still ends an unattended window, with a failed status.
    ASSERT_TRUE(WaitUntil([&Form] { return !Form.isVisible(); }));
    EXPECT_TRUE(LogLines(Form).contains(QStringLiteral("Project \" Site\" not found.")));
    EXPECT_EQ(Form.ExitStatus(), 1);
}

TEST_F(MainWindowRunTest, CloseWaitsForAnOpenEditorSoThatItsEditIsSaved)
{
    ScriptedReply Slow = ScriptedReply::Ok("<html></html>");
    Slow.DelayMs = 300;
    Server.On("/", Slow);
    SaveSiteConfig();
    THrvWindows Windows(
        Arguments({ QStringLiteral("-start"), QStringLiteral("Site"), QStringLiteral("-close") }));
    THrvMainForm& Form = *Windows.MainForm;
    Form.show();
    ASSERT_TRUE(WaitUntil([&Form] { return Form.Running(); }));

    bool OpenAfterTheRun = false;
    WhenModal([&Form, &OpenAfterTheRun](QDialog& Dialog) {
        auto& Editor = static_cast<TEditProjectForm&>(Dialog);
        Editor.ProjectNameEdit()->setText(QStringLiteral("Added while running"));
        WaitUntil([&Form] { return Idle(Form); });
        // Gives "-close" time to look again a few times.
        WaitUntil([] { return false; }, 350);
        OpenAfterTheRun = Form.isVisible();
        Editor.OKButton()->click();
    });
    Form.AddProjectActionExecute();

    EXPECT_TRUE(OpenAfterTheRun);
    ASSERT_TRUE(WaitUntil([&Form] { return !Form.isVisible(); }));
    EXPECT_TRUE(ReadFile(ConfigPath()).contains("Added while running"));
}

// The second project's page is held until the test has seen the run halfway:
// one project of two done, nothing of the second listed yet.
TEST_F(MainWindowRunTest, ProgressShowsWhileARunGoesAndIsClearedAtItsEnd)
{
    const auto Release = std::make_shared<std::atomic<bool>>(false);
    Server.On("/", ScriptedReply::Ok("<html></html>"));
    Server.SetFallback([Release](const RecordedRequest& Request) {
        if (Request.Path != "/held")
            return ScriptedReply::Status(404, "Not Found");
        for (int Wait = 0; Wait < 3000 && !*Release; ++Wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ScriptedReply::Ok("<html></html>");
    });
    THrvWindows Windows(Arguments());
    THrvMainForm& Form = *Windows.MainForm;
    TMessageBoxAnswers Answers;
    AddProject(Form, QStringLiteral("First"), Server.Url(QStringLiteral("/")));
    AddProject(Form, QStringLiteral("Second"), Server.Url(QStringLiteral("/held")));
    Form.OutDirEdit()->setText(OutDir.path());
    const TRunProgressPanel& Panel = *Form.RunProgressPanel();
    const QString Caption = THrvMainForm::Caption();
    EXPECT_TRUE(Panel.isHidden());

    Form.LoadWebsitesButton()->click();
    EXPECT_FALSE(Panel.isHidden());
    const bool Halfway = WaitUntil([&Form, &Panel] {
        return Panel.ProgressBar()->value() > 0
            && Form.windowTitle().startsWith(QStringLiteral("50% \u2014 "));
    });
    *Release = Halfway;
    ASSERT_TRUE(Halfway) << Form.windowTitle().toStdString();
    EXPECT_EQ(Panel.ProgressBar()->value(), 50);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("50% \u2014 ") + Caption);
    EXPECT_TRUE(Panel.StatusLabel()->text().startsWith(
        QStringLiteral("Project 2 of 2 \u00B7 files 0 of 0 \u00B7 13 B \u00B7 ")))
        << Panel.StatusLabel()->text().toStdString();
    // A box keeps the plain caption.
    Form.ProjectsListView()->selectRow(0);
    Form.ForgetSavedStateActionExecute();
    ASSERT_EQ(Answers.Shown().size(), 1);
    EXPECT_EQ(Answers.Shown()[0].Title, Caption);

    *Release = true;
    ASSERT_TRUE(WaitUntil([&Form] { return Idle(Form); }));
    EXPECT_TRUE(Panel.isHidden());
    EXPECT_TRUE(Panel.StatusLabel()->text().isEmpty());
    EXPECT_EQ(Form.windowTitle(), Caption);

    // The next run shows it again, from nothing.
    Form.LoadWebsitesButton()->click();
    EXPECT_FALSE(Panel.isHidden());
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("0% \u2014 ") + Caption);
    EXPECT_TRUE(Panel.StatusLabel()->text().startsWith(
        QStringLiteral("Project 0 of 0 \u00B7 files 0 of 0 \u00B7 0 B")))
        << Panel.StatusLabel()->text().toStdString();
    ASSERT_TRUE(WaitUntil([&Form] { return Idle(Form); }));
    EXPECT_TRUE(Panel.isHidden());
    EXPECT_EQ(Form.windowTitle(), Caption);
}

TEST_F(MainWindowRunTest, AnUnreadableConfigurationIsReportedAndNeverOverwritten)
{
    const QByteArray Broken("HrvProjectsN=1\r\nHrvProjects[1].ProjectName=\xff\xfe\r\n");
    WriteFile(ConfigPath(), Broken);
    TMessageBoxAnswers Answers;
    {
        THrvWindows Windows(Arguments());
        ASSERT_EQ(Answers.Shown().size(), 1);
        EXPECT_EQ(Answers.Shown()[0].Icon, QMessageBox::Critical);
        AddProject(*Windows.MainForm, QStringLiteral("New"), Server.Url());
        Windows.MainForm->OutDirEdit()->setText(OutDir.path());
        Windows.MainForm->close();
    }
    ASSERT_EQ(Answers.Shown().size(), 2);
    EXPECT_TRUE(Answers.Shown()[1].Text.contains(QStringLiteral("left unchanged")));
    EXPECT_EQ(ReadFile(ConfigPath()), Broken);
}

TEST_F(MainWindowRunTest, TheLogTakesManyLinesAndIgnoresEmptyOnes)
{
    THrvWindows Windows(Arguments());
    THrvMainForm& Form = *Windows.MainForm;
    Form.resize(800, 600);
    Form.show();
    Form.MainPageControl()->setCurrentWidget(Form.LogTabSheet());
    Form.LogMsg(QString());
    EXPECT_TRUE(Form.LogMemo()->toPlainText().isEmpty());

    QElapsedTimer Timer;
    Timer.start();
    constexpr int LineCount = 200000;
    for (int I = 1; I <= LineCount; ++I)
        Form.LogMsg(QStringLiteral("Downloading [ %1 / %2 ]: http://127.0.0.1/page").arg(I).arg(LineCount));
    Form.LogMemo()->repaint();
    EXPECT_LT(Timer.elapsed(), 60000);
    EXPECT_EQ(Form.LogMemo()->blockCount(), LineCount);
    QScrollBar* Bar = Form.LogMemo()->verticalScrollBar();
    EXPECT_EQ(Bar->value(), Bar->maximum());
    Bar->setValue(0);
    Form.LogMemo()->repaint();
    EXPECT_EQ(Bar->value(), 0);
}

TEST_F(MainWindowRunTest, ConnectionsAreLoadedShownSavedAndGivenToTheRun)
{
    WriteFile(ConfigPath(), "HrvProjectsN=0\r\nConnections=3\r\nMaxURLs=7\r\n");
    {
        THrvWindows Windows(Arguments());
        THrvMainForm& Form = *Windows.MainForm;
        EXPECT_EQ(Form.ConnectionsSpinBox()->value(), 3);
        EXPECT_EQ(Form.ConnectionsSpinBox()->minimum(), 1);
        EXPECT_EQ(Form.ConnectionsSpinBox()->maximum(), 16);
        Form.ConnectionsSpinBox()->setValue(2);
        Server.On("/", ScriptedReply::Ok("<html></html>"));
        AddProject(Form, QStringLiteral("Site"), Server.Url(QStringLiteral("/")));
        Form.OutDirEdit()->setText(OutDir.path());
        Form.LoadWebsitesButton()->click();
        EXPECT_EQ(Form.RunControl().FConnections, 2);
        EXPECT_EQ(Form.RunControl().FMaxURLs, 7);
        ASSERT_TRUE(WaitUntil([&Form] { return Idle(Form); }));
        Form.close();
    }
    const QByteArray Saved = ReadFile(ConfigPath());
    EXPECT_TRUE(Saved.endsWith("Connections=2\r\nMaxURLs=7\r\n")) << Saved.constData();
}

TEST_F(MainWindowRunTest, AFailedSaveAtExitIsShownInABox)
{
    TMessageBoxAnswers Answers;
    {
        THrvWindows Windows(Arguments());
        // A folder in the file's place makes the save fail.
        ASSERT_TRUE(QDir().mkpath(ConfigPath() + "/x"));
        Windows.MainForm->close();
        EXPECT_EQ(Windows.MainForm->ExitStatus(), 0);
    }
    ASSERT_EQ(Answers.Shown().size(), 1);
    EXPECT_EQ(Answers.Shown()[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(Answers.Shown()[0].Text.startsWith("Cannot create file \"" + ConfigPath() + "\". "))
        << Answers.Shown()[0].Text.toStdString();
    EXPECT_TRUE(QFileInfo(ConfigPath() + "/x").isDir());
}

// The state folder comes from the configuration, which the window saves
// again with it.
TEST_F(MainWindowRunTest, ForgetSavedStateDeletesTheSelectedProjectsStoreAndLogsIt)
{
    const QString StateDir = OutDir.filePath(QStringLiteral("state"));
    WriteFile(ConfigPath(),
        ("HrvProjectsN=1\nHrvProjects[1].ProjectName=Site\nHrvProjects[1].WebsiteURL=http://127.0.0.1:9/\n"
         "HrvProjects[1].OutputFolder={OutDir}/{ProjectName}\nOutDir="
            + OutDir.path() + "\nStateDir=" + StateDir + "\n")
            .toUtf8());
    {
        THrvWindows Windows(Arguments());
        THrvMainForm& Form = *Windows.MainForm;
        const TWebsiteProject& Site = *Form.Projects().GetProject(0);
        const QString Store
            = CrawlStatePath(StateDir, Site.WebsiteURL(), ExpandOutputFolder(Site, OutDir.path()));
        ASSERT_TRUE(QDir().mkpath(StateDir));
        WriteFile(Store, "state");

        EXPECT_FALSE(Form.ForgetSavedStateAction()->isEnabled());
        Form.ProjectsListView()->selectRow(0);
        ASSERT_TRUE(Form.ForgetSavedStateAction()->isEnabled());
        Form.ForgetSavedStateAction()->trigger();
        EXPECT_FALSE(QFile::exists(Store));
        Form.ForgetSavedStateAction()->trigger();
        EXPECT_TRUE(WaitUntil([&Form] { return LogLines(Form).size() >= 2; }));
        EXPECT_EQ(LogLines(Form), (QStringList { "Saved state forgotten: Site", "No saved state: Site" }));
        EXPECT_EQ(Form.MainPageControl()->currentWidget(), Form.LogTabSheet());
        Form.close();
    }
    EXPECT_TRUE(ReadFile(ConfigPath()).endsWith("\r\nStateDir=" + StateDir.toUtf8() + "\r\n"));
}
