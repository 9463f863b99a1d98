#include "UiTestSupport.h"

#include "projects/WebsiteUnit.h"
#include "ui/EditProjectUnit.h"
#include "ui/EntryListView.h"
#include "ui/HrvApplication.h"
#include "ui/HrvMainUnit.h"
#include "ui/RequestOptionsPanel.h"
#include "ui/WebPageFormUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <optional>

namespace {
class EditProjectTest : public ::testing::Test {
protected:
    THrvWindows Windows { QStringList { QStringLiteral("harvo"), QStringLiteral("-settingsdir"),
        QDir::tempPath() + QStringLiteral("/harvo-ui-tests-none") } };
    TEditProjectForm& Editor = *Windows.EditProjectForm;
};

// The point in the middle of Widget, when it lies in Area and the widget
// found there is Widget itself: nothing covers or cuts it.
std::optional<QPoint> ReachableCenter(QWidget& Widget, const QRect& Area)
{
    const QPoint Center = Widget.mapToGlobal(Widget.rect().center());
    if (!Area.contains(Center) || QApplication::widgetAt(Center) != &Widget)
        return std::nullopt;
    return Center;
}

void ClickAt(QWidget& Widget, const QPoint& GlobalPos)
{
    const QPointF Pos = Widget.mapFromGlobal(GlobalPos);
    for (QEvent::Type Type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
        QMouseEvent Event(Type, Pos, QPointF(GlobalPos), Qt::LeftButton,
            Type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&Widget, &Event);
    }
}

const QScreen* ScreenNamed(const QString& Name)
{
    for (const QScreen* Screen : QGuiApplication::screens())
        if (Screen->name() == Name)
            return Screen;
    return nullptr;
}
} // namespace

// On a laptop's screen (1366 by 768) and on a small one (800 by 480) the
// editor opens whole over the main window: the overwrite list, OK and Cancel
// are on that screen and answer the keyboard and the mouse.
TEST_F(EditProjectTest, FitsSmallScreensWithItsButtonsInReach)
{
    Windows.MainForm->show();
    ASSERT_TRUE(WaitUntil([this] { return QApplication::activeWindow() == Windows.MainForm.get(); }));
    for (const char* Name : { "Laptop", "Small" }) {
        SCOPED_TRACE(Name);
        const QScreen* Screen = ScreenNamed(QString::fromLatin1(Name));
        if (!Screen)
            GTEST_SKIP() << "the test program's small screens are not in use";
        const QRect Free = Screen->availableGeometry();
        // The user works in the main window on this screen and clicks there.
        Windows.MainForm->move(Free.topLeft() + QPoint(20, 20));
        ASSERT_TRUE(WaitUntil([this, Screen] { return Windows.MainForm->screen() == Screen; }));
        QCursor::setPos(Windows.MainForm->geometry().center());

        TWebsiteProject Project;
        Project.SetProjectName(QStringLiteral("Site"));
        Project.SetOverwrite(ofNone);
        auto CheckInReach = [this, &Free] {
            EXPECT_TRUE(Free.contains(Editor.frameGeometry()));
            for (QWidget* Widget : std::initializer_list<QWidget*> {
                     Editor.ProjectOverwriteComboBox(), Editor.OKButton(), Editor.CancelButton() })
                EXPECT_TRUE(ReachableCenter(*Widget, Free)) << Widget->metaObject()->className();
        };
        WhenModal([this, &Free, &CheckInReach](QDialog&) {
            CheckInReach();
            QComboBox& Overwrite = *Editor.ProjectOverwriteComboBox();
            Overwrite.setFocus();
            QKeyEvent Down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(&Overwrite, &Down);
            if (const auto Center = ReachableCenter(*Editor.OKButton(), Free))
                ClickAt(*Editor.OKButton(), *Center);
        });
        EXPECT_TRUE(Editor.EditProject(Project, QStringLiteral("/out"), false));
        EXPECT_EQ(Project.Overwrite(), ofAll);

        bool Cancelled = false;
        WhenModal([this, &Free, &CheckInReach, &Cancelled](QDialog& Dialog) {
            CheckInReach();
            if (const auto Center = ReachableCenter(*Editor.CancelButton(), Free))
                ClickAt(*Editor.CancelButton(), *Center);
            Cancelled = !Dialog.isVisible();
        });
        EXPECT_FALSE(Editor.EditProject(Project, QStringLiteral("/out"), false));
        EXPECT_TRUE(Cancelled);
    }
}

TEST_F(EditProjectTest, AddPresetsTheProjectAndCancelKeepsItUnwritten)
{
    TWebsiteProject Project;
    Project.SetProjectName(QStringLiteral("old"));
    Project.SetUpdateRequests(false);
    WhenModal([this](QDialog&) {
        EXPECT_EQ(Editor.windowTitle(), QStringLiteral("Add New Project"));
        EXPECT_EQ(Editor.ProjectNameEdit()->text(), QString());
        EXPECT_EQ(Editor.GroupNameEdit()->text(), QStringLiteral("G"));
        EXPECT_EQ(Editor.IndexFileEdit()->text(), QStringLiteral("index.html"));
        EXPECT_EQ(Editor.ProjectOutFolderEdit()->text(),
            QStringLiteral("{OutDir}") + QDir::separator() + QStringLiteral("{ProjectName}"));
        EXPECT_EQ(
            Editor.ProjectOverwriteComboBox()->currentText(), QStringLiteral("Overwrite changed files only"));
        EXPECT_EQ(Editor.PageControl1()->currentIndex(), 0);
        EXPECT_TRUE(Editor.CompletePagesCheckBox()->isChecked());
        EXPECT_TRUE(Editor.SiteFileNamesCheckBox()->isChecked());
        EXPECT_TRUE(Editor.UpdateRequestsCheckBox()->isChecked());
        EXPECT_TRUE(Editor.Requests()->RobotsCheckBox()->isChecked());
        EXPECT_TRUE(Editor.Requests()->VerifyTLSCheckBox()->isChecked());
        EXPECT_TRUE(Editor.Requests()->UserAgentEdit()->text().startsWith(QStringLiteral("harvo/")));
        for (TEntryListPanel* Panel : { Editor.WebPages(), Editor.WebDocs(), Editor.ReplaceRules() }) {
            EXPECT_EQ(Panel->List()->topLevelItemCount(), 0);
            EXPECT_FALSE(Panel->EditButton()->isEnabled());
            EXPECT_FALSE(Panel->DeleteButton()->isEnabled());
        }
        Editor.ProjectNameEdit()->setText(QStringLiteral("typed"));
        Editor.CancelButton()->click();
    });
    EXPECT_FALSE(Editor.AddProject(Project, QStringLiteral("/out"), QStringLiteral("G")));
    // Add clears and presets the object it is given; Cancel writes nothing back.
    EXPECT_EQ(Project.ProjectName(), QString());
    EXPECT_EQ(Project.IndexFile(), QStringLiteral("index.html"));
}

TEST_F(EditProjectTest, OkNeedsANameAndWritesEverySettingBack)
{
    TWebsiteProject Project;
    Project.SetProjectName(QStringLiteral("Site"));
    Project.SetDomainAliasesString(QStringLiteral("a.com;b.com"));
    Project.StartPages().push_back({ QStringLiteral("http://site/"), 2 });
    Project.SuppressURLs().Add(QStringLiteral("/ads/"));
    Project.SetOverwrite(ofAll);

    TMessageBoxAnswers Answers;
    WhenModal([this, &Answers](QDialog& Dialog) {
        EXPECT_EQ(Editor.DomainAliasesEdit()->text(), QStringLiteral("a.com;b.com"));
        EXPECT_EQ(Editor.ProjectOverwriteComboBox()->currentIndex(), 1);
        ASSERT_EQ(Editor.WebPages()->List()->topLevelItemCount(), 1);
        EXPECT_EQ(Editor.WebPages()->List()->topLevelItem(0)->text(1), QStringLiteral("2"));

        Editor.ProjectNameEdit()->clear();
        Editor.OKButton()->click();
        EXPECT_TRUE(Dialog.isVisible());
        ASSERT_EQ(Answers.Shown().size(), 1);
        EXPECT_EQ(Answers.Shown()[0].Text, QStringLiteral("Please, enter Project Name"));
        EXPECT_EQ(Answers.Shown()[0].Title, QStringLiteral("Edit Project"));

        Editor.ProjectNameEdit()->setText(QStringLiteral(" Shop "));
        Editor.DomainAliasesEdit()->setText(QStringLiteral(" a.com ; ;b.com"));
        EXPECT_FALSE(Editor.CompletePagesCheckBox()->isChecked()); // as the project has it
        EXPECT_FALSE(Editor.SiteFileNamesCheckBox()->isChecked());
        Editor.SiteFileNamesCheckBox()->setChecked(true);
        EXPECT_TRUE(Editor.UpdateRequestsCheckBox()->isChecked());
        Editor.UpdateRequestsCheckBox()->setChecked(false);
        Editor.RemoveScriptsCheckBox()->setChecked(true);
        Editor.CompletePagesCheckBox()->setChecked(true);
        Editor.ProjectOverwriteComboBox()->setCurrentIndex(0);
        Editor.SuppressMemo()->setPlainText(QStringLiteral("x\n\ny\n"));
        Editor.WebPages()->List()->AddRow(QStringLiteral("http://site/b"), QStringLiteral("-1"));
        Editor.WebDocs()->List()->AddRow(QStringLiteral("http://site/f/"), QString());
        Editor.ReplaceRules()->List()->AddRow(QStringLiteral("a(b)"), QStringLiteral("$1"));
        Editor.OKButton()->click();
    });
    ASSERT_TRUE(Editor.EditProject(Project, QStringLiteral("/out"), false));
    EXPECT_EQ(Project.ProjectName(), QStringLiteral(" Shop "));
    EXPECT_EQ(Project.WebsiteDomainAliases().ToQStringList(), (QStringList { "a.com", "b.com" }));
    EXPECT_TRUE(Project.RemoveScripts());
    EXPECT_TRUE(Project.CompletePages());
    EXPECT_TRUE(Project.SiteFileNames());
    EXPECT_FALSE(Project.UpdateRequests());
    EXPECT_EQ(Project.Overwrite(), ofNone);
    EXPECT_EQ(Project.SuppressURLs().ToQStringList(), (QStringList { "x", "", "y" }));
    ASSERT_EQ(Project.StartPages().size(), 2u);
    EXPECT_EQ(Project.StartPages()[0].URL, QStringLiteral("http://site/"));
    EXPECT_EQ(Project.StartPages()[1].URL, QStringLiteral("http://site/b"));
    EXPECT_EQ(Project.StartPages()[1].LinkDepth, -1);
    ASSERT_EQ(Project.DownloadRules().size(), 1u);
    EXPECT_EQ(Project.DownloadRules()[0].URLPrefix, QStringLiteral("http://site/f/"));
    EXPECT_EQ(Project.DownloadRules()[0].Folder, QString());
    ASSERT_EQ(Project.ReplaceRules().size(), 1u);
    EXPECT_EQ(Project.ReplaceRules()[0].Pattern, QStringLiteral("a(b)"));
    EXPECT_EQ(Project.ReplaceRules()[0].Template, QStringLiteral("$1"));
}

TEST_F(EditProjectTest, OutputFolderButtonsUseTheNameBeingTyped)
{
    TWebsiteProject Project;
    TDesktopShellRecorder Shell(QStringLiteral("/chosen/folder"));
    WhenModal([this, &Shell](QDialog&) {
        Editor.ProjectOutFolderEdit()->setText(QStringLiteral("{outdir}/{PROJECTNAME}"));
        Editor.ProjectNameEdit()->setText(QStringLiteral("Shop"));
        EXPECT_EQ(Editor.GetExpandedOutFolder(), QStringLiteral("/sites/Shop"));
        Editor.ExploreProjectOutFolderButtonClick();
        Editor.BrowseProjectOutFolderButtonClick();
        EXPECT_EQ(Shell.BrowseStarts, QStringList { "/sites/Shop" });
        EXPECT_EQ(Editor.ProjectOutFolderEdit()->text(), QStringLiteral("/chosen/folder"));
        Editor.ProjectOutFolderEdit()->clear();
        Editor.ExploreProjectOutFolderButtonClick();
    });
    Editor.EditProject(Project, QStringLiteral("/sites"), true);
    EXPECT_EQ(Shell.Opened, QStringList { "file:///sites/Shop" });
}

TEST_F(EditProjectTest, AnInvalidDepthLeavesTheWebPageListUnchanged)
{
    TWebsiteProject Project;
    Project.StartPages().push_back({ QStringLiteral("http://site/"), 1 });
    TMessageBoxAnswers Answers;
    WhenModal([this](QDialog&) {
        TEntryListView& List = *Editor.WebPages()->List();
        List.topLevelItem(0)->setSelected(true);
        WhenModal([this](QDialog&) {
            Windows.WebPageForm->FirstEdit()->setText(QStringLiteral("http://other/"));
            Windows.WebPageForm->SecondEdit()->setText(QStringLiteral("1x"));
            Windows.WebPageForm->OKButton()->click();
        });
        Editor.WebPages()->EditButton()->click();
        EXPECT_EQ(List.topLevelItem(0)->text(0), QStringLiteral("http://site/"));
        EXPECT_EQ(List.topLevelItem(0)->text(1), QStringLiteral("1"));
    });
    Editor.EditProject(Project, QString(), false);
    ASSERT_EQ(Answers.Shown().size(), 1);
    EXPECT_EQ(Answers.Shown()[0].Text, QStringLiteral("'1x' is not a valid integer value"));
    EXPECT_EQ(Answers.Shown()[0].Icon, QMessageBox::Critical);
}

TEST_F(EditProjectTest, TheRequestsTabShowsAndWritesBackEveryOption)
{
    TWebsiteProject Project;
    Project.SetProjectName(QStringLiteral("Site"));
    TRequestOptions& Stored = Project.Requests();
    Stored.WaitSeconds = 0.125; // shown rounded, kept unless changed
    Stored.LimitRate = 1500;
    Stored.Tries = 4;
    Stored.Accept = QStringList { QStringLiteral("a=b;c") };
    Stored.CACertificate = QStringLiteral("/ca.pem");

    TMessageBoxAnswers Answers;
    WhenModal([this, &Answers](QDialog& Dialog) {
        TRequestOptionsPanel& Panel = *Editor.Requests();
        EXPECT_FALSE(Panel.RobotsCheckBox()->isChecked());
        EXPECT_FALSE(Panel.VerifyTLSCheckBox()->isChecked());
        EXPECT_EQ(Panel.LimitRateSpinBox()->value(), 1);
        EXPECT_EQ(Panel.TriesSpinBox()->value(), 4);
        EXPECT_EQ(Panel.TimeoutSpinBox()->text(), QStringLiteral("Default"));
        EXPECT_EQ(Panel.UserAgentEdit()->text(), QString());
        EXPECT_EQ(Panel.AcceptMemo()->toPlainText(), QStringLiteral("a=b;c"));
        EXPECT_EQ(Panel.CACertificateEdit()->text(), QStringLiteral("/ca.pem"));

        // A pattern that does not compile keeps the editor open, on its tab.
        Panel.RejectMemo()->setPlainText(QStringLiteral("\\.zip$\n\na(b"));
        Editor.OKButton()->click();
        EXPECT_TRUE(Dialog.isVisible());
        ASSERT_EQ(Answers.Shown().size(), 1);
        EXPECT_TRUE(Answers.Shown()[0].Text.contains(QStringLiteral("\"a(b\"")))
            << Answers.Shown()[0].Text.toStdString();
        EXPECT_EQ(Editor.PageControl1()->currentWidget(), &Panel);

        Panel.RejectMemo()->setPlainText(QStringLiteral("\\.zip$\n\n /tmp/ "));
        Panel.RobotsCheckBox()->setChecked(true);
        Panel.VerifyTLSCheckBox()->setChecked(true);
        Panel.RandomWaitCheckBox()->setChecked(true);
        Panel.LimitRateSpinBox()->setValue(200);
        Panel.TimeoutSpinBox()->setValue(30);
        Panel.UserAgentEdit()->setText(QStringLiteral("bot/1"));
        Editor.OKButton()->click();
    });
    ASSERT_TRUE(Editor.EditProject(Project, QStringLiteral("/out"), false));
    EXPECT_TRUE(Stored.Robots && Stored.VerifyTLS && Stored.RandomWait);
    EXPECT_EQ(Stored.WaitSeconds, 0.125);
    EXPECT_EQ(Stored.LimitRate, 200 * 1024);
    EXPECT_EQ(Stored.Tries, 4);
    EXPECT_EQ(Stored.TimeoutSeconds, 30);
    EXPECT_EQ(Stored.UserAgent, QStringLiteral("bot/1"));
    EXPECT_EQ(Stored.Accept, QStringList { QStringLiteral("a=b;c") });
    EXPECT_EQ(Stored.Reject, (QStringList { QStringLiteral("\\.zip$"), QStringLiteral(" /tmp/ ") }));
    EXPECT_EQ(Stored.CACertificate, QStringLiteral("/ca.pem"));
}
