#include "UiTestSupport.h"

#include "projects/WebsiteUnit.h"
#include "ui/EditProjectUnit.h"
#include "ui/GroupComboBox.h"
#include "ui/HrvApplication.h"
#include "ui/HrvMainUnit.h"
#include "ui/ProjectsListView.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir SettingsDir;
    THrvWindows Windows { QStringList {
        QStringLiteral("harvo"), QStringLiteral("-settingsdir"), SettingsDir.path() } };
    THrvMainForm& Form = *Windows.MainForm;
    TProjectsListView& List = *Form.ProjectsListView();

    TWebsiteProject* Add(const QString& Name, const QString& Group = QString(), bool Checked = false)
    {
        auto Project = std::make_unique<TWebsiteProject>();
        Project->SetProjectName(Name);
        Project->SetGroupName(Group);
        Project->SetChecked(Checked);
        Project->SetOutputFolder(QStringLiteral("{OutDir}\\{ProjectName}"));
        TWebsiteProject* Added = Project.get();
        Form.Projects().AddProject(std::move(Project));
        Form.RefreshProjectsView();
        return Added;
    }

    QStringList Rows() const
    {
        QStringList Names;
        for (int Row = 0; Row < List.model()->rowCount(); ++Row)
            Names.append(List.model()->index(Row, 0).data().toString());
        return Names;
    }

    QString Cell(int Row, int Column) const { return List.model()->index(Row, Column).data().toString(); }

    void Press(int Row, int X, Qt::MouseButton Button = Qt::LeftButton)
    {
        const QRect Rect = List.visualRect(List.model()->index(Row, 0));
        const QPointF Pos(X, Rect.center().y());
        QMouseEvent Event(
            QEvent::MouseButtonPress, Pos, List.viewport()->mapToGlobal(Pos), Button, Button, Qt::NoModifier);
        QApplication::sendEvent(List.viewport(), &Event);
        QMouseEvent Release(QEvent::MouseButtonRelease, Pos, List.viewport()->mapToGlobal(Pos), Button,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(List.viewport(), &Release);
    }

    int CheckZoneX(int Row) const
    {
        for (int X = 0; X < 40; ++X)
            if (List.InCheckZone(Row, QPoint(X, List.visualRect(List.model()->index(Row, 0)).center().y())))
                return X + 2;
        return -1;
    }

    void Select(int Row) { List.selectRow(Row); }

    void ChooseGroup(const QString& Group)
    {
        Form.GroupComboBoxDropDown();
        const int Index = Group.isEmpty() ? 0 : Form.GroupComboBox()->findText(Group);
        ASSERT_GE(Index, 0);
        Form.GroupComboBox()->setCurrentIndex(Index);
        Form.GroupComboBoxClick(Index);
    }

    // Drops Project on Row, or below the last row when Below is set.
    void Drop(TWebsiteProject* Project, int Row, bool Below = false)
    {
        TDragWebsiteProject Data(Project);
        const QRect Rect
            = List.visualRect(List.model()->index(std::min(Row, List.model()->rowCount() - 1), 1));
        const QPointF Pos(Rect.center().x(), Below ? Rect.bottom() + Rect.height() * 3 : Rect.center().y());
        // The toolkit delivers a drop only to the widget that took the drag's entry.
        QDragEnterEvent Enter(Pos.toPoint(), Qt::MoveAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(List.viewport(), &Enter);
        ASSERT_TRUE(Enter.isAccepted());
        QDropEvent Event(Pos, Qt::MoveAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(List.viewport(), &Event);
    }

    // Runs the editor with Name typed into it and confirms.
    void ConfirmEditorWith(const QString& Name)
    {
        WhenModal([this, Name](QDialog&) {
            Windows.EditProjectForm->ProjectNameEdit()->setText(Name);
            Windows.EditProjectForm->OKButton()->click();
        });
    }
};
} // namespace

TEST_F(MainWindowTest, StartsEmptyWithTheSelectionActionsDisabled)
{
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Harvo Grabber 1.21"));
    EXPECT_EQ(Form.TitleLabel()->text(), QStringLiteral("Harvo Grabber 1.21"));
    EXPECT_EQ(Form.EditionLabel()->text(), QStringLiteral("%1-Bit Edition").arg(QT_POINTER_SIZE * 8));
    EXPECT_EQ(List.model()->rowCount(), 0);
    EXPECT_EQ(Form.ProjectsSelectedLabel()->text(), QStringLiteral("0 checked."));
    for (QAction* Action : { Form.CopyProjectAction(), Form.EditProjectAction(), Form.DeleteProjectAction(),
             Form.OpenOutputFolderAction() })
        EXPECT_FALSE(Action->isEnabled()) << Action->text().toStdString();
    EXPECT_TRUE(Form.AddProjectAction()->isEnabled());
    EXPECT_FALSE(Form.BreakButton()->isEnabled());
    EXPECT_EQ(Form.MainPageControl()->currentWidget(), Form.WebsitesTabSheet());
    EXPECT_EQ(Form.GroupComboBox()->count(), 1);
    EXPECT_EQ(Form.GroupComboBox()->currentText(), QStringLiteral("<All projects>"));
}

TEST_F(MainWindowTest, RowsShowTheProjectSettings)
{
    TWebsiteProject* Project = Add(QStringLiteral("Site"), QStringLiteral("G"));
    Project->SetWebsiteURL(QStringLiteral("http://site/"));
    Project->SetRemoveScripts(true);
    Project->SetBaseURL(QStringLiteral("http://copy/"));
    Project->SetIndexFile(QStringLiteral("index.html"));
    Project->SetOverwrite(ofChanged);
    Add(QStringLiteral("Other"))->SetOverwrite(ofAll);
    Add(QStringLiteral("Third"));
    Form.RefreshProjectsView();

    const QStringList Expected { "Site", "G", "http://site/", "{OutDir}\\{ProjectName}", "Yes",
        "http://copy/", "index.html", "Changed" };
    for (int Column = 0; Column < Expected.size(); ++Column)
        EXPECT_EQ(Cell(0, Column), Expected[Column]) << "column " << Column;
    EXPECT_EQ(Cell(1, 4), QStringLiteral("No"));
    EXPECT_EQ(Cell(1, 7), QStringLiteral("All"));
    EXPECT_EQ(Cell(2, 7), QStringLiteral("No"));
    EXPECT_EQ(List.model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Remove Scripts?"));
}

TEST_F(MainWindowTest, APressInTheCheckZoneTogglesWithAnyButton)
{
    Form.resize(900, 500);
    Form.show();
    Add(QStringLiteral("A"));
    Add(QStringLiteral("B"));
    const int ZoneX = CheckZoneX(0);
    ASSERT_GE(ZoneX, 0);

    Press(0, ZoneX);
    EXPECT_TRUE(Form.Projects().GetVisibleProject(0)->Checked());
    EXPECT_EQ(Form.ProjectsSelectedLabel()->text(), QStringLiteral("1 checked."));

    Press(1, List.columnWidth(0) / 2 + 20);
    EXPECT_FALSE(Form.Projects().GetVisibleProject(1)->Checked());
    EXPECT_EQ(List.SelectedRow(), 1);
    EXPECT_TRUE(Form.EditProjectAction()->isEnabled());

    Press(0, ZoneX, Qt::RightButton);
    EXPECT_FALSE(Form.Projects().GetVisibleProject(0)->Checked());
    EXPECT_EQ(Form.ProjectsSelectedLabel()->text(), QStringLiteral("0 checked."));
}

TEST_F(MainWindowTest, GroupFilterHidesUnchecksAndAppendsOnReturn)
{
    Add(QStringLiteral("A"), QStringLiteral("Web"), true);
    Add(QStringLiteral("B"), QStringLiteral("Other"), true);
    Add(QStringLiteral("C"), QStringLiteral("web"), true);
    Add(QStringLiteral("D"), QStringLiteral("Web"), true);

    Form.GroupComboBoxDropDown();
    EXPECT_EQ(Form.GroupComboBox()->count(), 3);
    EXPECT_EQ(Form.GroupComboBox()->itemText(2), QStringLiteral("Web"));

    ChooseGroup(QStringLiteral("Web"));
    EXPECT_EQ(Rows(), (QStringList { "A", "D" }));
    EXPECT_EQ(Form.ProjectsSelectedLabel()->text(), QStringLiteral("2 checked."));
    EXPECT_FALSE(Form.Projects().GetProject(2)->Checked());

    Form.UnCheckAllProjectsActionExecute();
    Form.CheckAllProjectsActionExecute();
    EXPECT_EQ(Form.ProjectsSelectedLabel()->text(), QStringLiteral("2 checked."));
    EXPECT_FALSE(Form.Projects().GetProject(1)->Checked());

    // Rebuilding the drop-down keeps the chosen entry and changes no visibility.
    Form.GroupComboBoxDropDown();
    EXPECT_EQ(Form.GroupComboBox()->currentText(), QStringLiteral("Web"));
    EXPECT_EQ(Rows(), (QStringList { "A", "D" }));

    ChooseGroup(QString());
    EXPECT_EQ(Rows(), (QStringList { "A", "D", "B", "C" }));
    Form.UnCheckAllProjectsActionExecute();
    EXPECT_EQ(Form.Projects().CheckedVisibleCount(), 0);
}

TEST_F(MainWindowTest, AddCopyAndEditRefuseATakenName)
{
    TMessageBoxAnswers Answers;
    Add(QStringLiteral("Site"), QStringLiteral("G"), true);
    ChooseGroup(QStringLiteral("G"));

    WhenModal([this](QDialog&) {
        EXPECT_EQ(Windows.EditProjectForm->GroupNameEdit()->text(), QStringLiteral("G"));
        Windows.EditProjectForm->ProjectNameEdit()->setText(QStringLiteral("site"));
        Windows.EditProjectForm->OKButton()->click();
    });
    Form.AddProjectActionExecute();
    EXPECT_EQ(Rows(), (QStringList { "Site", "site" }));
    EXPECT_TRUE(Answers.Shown().isEmpty());

    Select(0);
    WhenModal([this](QDialog&) {
        EXPECT_EQ(Windows.EditProjectForm->windowTitle(), QStringLiteral("Add New Project"));
        EXPECT_EQ(Windows.EditProjectForm->ProjectNameEdit()->text(), QString());
        Windows.EditProjectForm->ProjectNameEdit()->setText(QStringLiteral("Site"));
        Windows.EditProjectForm->OKButton()->click();
    });
    Form.CopyProjectActionExecute();
    EXPECT_EQ(Form.Projects().Count(), 2);
    ASSERT_EQ(Answers.Shown().size(), 1);
    EXPECT_EQ(Answers.Shown()[0].Text, QStringLiteral("Project \"Site\" already exists."));
    EXPECT_EQ(Answers.Shown()[0].Title, QStringLiteral("Harvo Grabber 1.21"));

    Select(0);
    ConfirmEditorWith(QStringLiteral("Copy"));
    Form.CopyProjectActionExecute();
    ASSERT_EQ(Form.Projects().Count(), 3);
    EXPECT_TRUE(Form.Projects().GetProject(2)->Checked());

    Select(1);
    ConfirmEditorWith(QStringLiteral("Site"));
    Form.EditProjectActionExecute();
    EXPECT_EQ(Rows(), (QStringList { "Site", "site", "Copy" }));
    EXPECT_EQ(Answers.Shown().size(), 2);

    Select(1);
    ConfirmEditorWith(QStringLiteral("site"));
    Form.EditProjectActionExecute();
    Select(1);
    ConfirmEditorWith(QStringLiteral("Renamed"));
    Form.EditProjectActionExecute();
    EXPECT_EQ(Rows(), (QStringList { "Site", "Renamed", "Copy" }));
    EXPECT_EQ(Answers.Shown().size(), 2);
}

TEST_F(MainWindowTest, DoubleClickOpensTheEditorOfTheRow)
{
    Form.resize(900, 500);
    Form.show();
    Add(QStringLiteral("A"));
    Add(QStringLiteral("B"));
    Select(1);
    QString Shown;
    WhenModal([this, &Shown](QDialog&) {
        Shown = Windows.EditProjectForm->ProjectNameEdit()->text();
        EXPECT_EQ(Windows.EditProjectForm->windowTitle(), QStringLiteral("Edit Project"));
    });
    emit List.doubleClicked(List.model()->index(1, 2));
    EXPECT_EQ(Shown, QStringLiteral("B"));
}

TEST_F(MainWindowTest, DeleteAsksFirst)
{
    Add(QStringLiteral("Site"));
    Add(QStringLiteral("Other"));
    Select(0);
    TMessageBoxAnswers Answers(QMessageBox::No);
    Form.DeleteProjectActionExecute();
    EXPECT_EQ(Rows(), (QStringList { "Site", "Other" }));
    ASSERT_EQ(Answers.Shown().size(), 1);
    EXPECT_EQ(Answers.Shown()[0].Title, QStringLiteral("Delete Project"));
    EXPECT_EQ(Answers.Shown()[0].Text, QStringLiteral("Delete \"Site\".\"\r\n\r\nAre you sure?"));

    Answers.Queue(QMessageBox::Yes);
    Form.DeleteProjectActionExecute();
    EXPECT_EQ(Rows(), QStringList { "Other" });
    EXPECT_EQ(Form.GetSelectedProject()->ProjectName(), QStringLiteral("Other"));
}

TEST_F(MainWindowTest, DroppingAProjectMovesItToTheTargetRow)
{
    Form.resize(900, 500);
    Form.show();
    TWebsiteProject* First = Add(QStringLiteral("1"));
    Add(QStringLiteral("2"));
    TWebsiteProject* Third = Add(QStringLiteral("3"));

    Drop(First, 2);
    EXPECT_EQ(Rows(), (QStringList { "2", "3", "1" }));
    Drop(Third, 0);
    EXPECT_EQ(Rows(), (QStringList { "3", "2", "1" }));
    Drop(Third, 2, true);
    EXPECT_EQ(Rows(), (QStringList { "3", "2", "1" }));
    EXPECT_EQ(Form.Projects().GetProject(0), Third);

    QMimeData Foreign;
    Foreign.setText(QStringLiteral("1"));
    QDragEnterEvent Enter(QPoint(5, 5), Qt::MoveAction, &Foreign, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List.viewport(), &Enter);
    EXPECT_FALSE(Enter.isAccepted());
}

// A drag starts from the selected row; after the drop the moved project is
// still the selected one, so Delete and Edit act on it.
TEST_F(MainWindowTest, TheDraggedProjectStaysSelected)
{
    Form.resize(900, 500);
    Form.show();
    TWebsiteProject* First = Add(QStringLiteral("1"));
    Add(QStringLiteral("2"));
    TWebsiteProject* Third = Add(QStringLiteral("3"));

    Select(0);
    Drop(First, 2);
    ASSERT_EQ(Rows(), (QStringList { "2", "3", "1" }));
    EXPECT_EQ(Form.GetSelectedProject(), First);
    Select(1);
    Drop(Third, 0);
    ASSERT_EQ(Rows(), (QStringList { "3", "2", "1" }));
    EXPECT_EQ(Form.GetSelectedProject(), Third);

    TMessageBoxAnswers Answers(QMessageBox::Yes);
    Form.DeleteProjectActionExecute();
    EXPECT_EQ(Rows(), (QStringList { "2", "1" }));
}

TEST_F(MainWindowTest, ExploreExpandsTheTagsOfTheSelectedProject)
{
    TDesktopShellRecorder Shell(QStringLiteral("/picked"));
    Add(QStringLiteral("Shop"));
    Select(0);
    Form.OutDirEdit()->setText(QStringLiteral("/tmp/Sites"));
    Form.OpenOutputFolderActionExecute();
    Form.OutDirEdit()->clear();
    Form.OpenOutputFolderActionExecute();
    Form.ExploreOutDirButtonClick();
    EXPECT_EQ(Shell.Opened, (QStringList { "file:///tmp/Sites/Shop", "file:///Shop" }));

    Form.BrowseOutDirButtonClick();
    EXPECT_EQ(Form.OutDirEdit()->text(), QStringLiteral("/picked"));
}

TEST_F(MainWindowTest, TheSelectionFollowsAddCopyDeleteAndTheFilter)
{
    TMessageBoxAnswers Answers(QMessageBox::Yes);
    Add(QStringLiteral("A"), QStringLiteral("G"));
    Add(QStringLiteral("B"), QStringLiteral("H"));
    Add(QStringLiteral("C"), QStringLiteral("G"));

    ConfirmEditorWith(QStringLiteral("New"));
    Form.AddProjectActionExecute();
    EXPECT_EQ(Form.GetSelectedProject()->ProjectName(), QStringLiteral("New"));
    EXPECT_TRUE(Form.CopyProjectAction()->isEnabled());

    Select(0);
    ConfirmEditorWith(QStringLiteral("Copy of A"));
    Form.CopyProjectActionExecute();
    EXPECT_EQ(Form.GetSelectedProject()->ProjectName(), QStringLiteral("Copy of A"));

    // Deleting selects the row that takes the deleted one's place, or the
    // new last row.
    Select(1);
    Form.DeleteProjectActionExecute();
    EXPECT_EQ(Form.GetSelectedProject()->ProjectName(), QStringLiteral("C"));
    Select(3);
    Form.DeleteProjectActionExecute();
    EXPECT_EQ(Form.GetSelectedProject()->ProjectName(), QStringLiteral("New"));
    EXPECT_TRUE(Form.DeleteProjectAction()->isEnabled());

    // A filter keeps the selected project when it stays in view.
    Select(1);
    ChooseGroup(QStringLiteral("G"));
    EXPECT_EQ(Rows(), (QStringList { "A", "C" }));
    EXPECT_EQ(Form.GetSelectedProject()->ProjectName(), QStringLiteral("C"));
    ChooseGroup(QString());
    EXPECT_EQ(Form.GetSelectedProject()->ProjectName(), QStringLiteral("C"));
    Select(2); // New, of no group
    ChooseGroup(QStringLiteral("G"));
    EXPECT_EQ(Form.GetSelectedProject(), nullptr);
    EXPECT_FALSE(Form.EditProjectAction()->isEnabled());
}
