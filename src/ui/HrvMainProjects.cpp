// The main window's handling of the project list: display, checks, the group
// filter, add, copy, edit, delete, reorder and the output folders.
#include "ui/HrvMainUnit.h"

#include "engine/crawl/ProjectRuns.h"
#include "engine/store/CrawlState.h"
#include "projects/StateFolder.h"
#include "projects/WebsiteUnit.h"
#include "ui/DesktopShell.h"
#include "ui/EditProjectUnit.h"
#include "ui/GroupComboBox.h"
#include "ui/ProjectsListView.h"
#include "ui/ProjectsTableModel.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>

void THrvMainForm::RefreshProjectsView()
{
    FModel->Refresh();
    UpdateProjectActions();
    FProjectsSelectedLabel->setText(
        QString::number(FProjects->CheckedVisibleCount()) + QStringLiteral(" checked."));
}

TWebsiteProject* THrvMainForm::GetSelectedProject() const
{
    return FModel->RowProject(FProjectsListView->SelectedRow());
}

void THrvMainForm::ToggleProjectCheck(int Row)
{
    if (TWebsiteProject* Project = FModel->RowProject(Row)) {
        Project->SetChecked(!Project->Checked());
        RefreshProjectsView();
    }
}

void THrvMainForm::UpdateProjectActions()
{
    const bool HasSelection = FProjectsListView->SelectedRow() >= 0;
    for (QAction* Action : { FCopyProjectAction, FEditProjectAction, FDeleteProjectAction,
             FOpenOutputFolderAction, FForgetSavedStateAction })
        Action->setEnabled(HasSelection);
}

// Selects the row of Project; no row when it is not in view.
void THrvMainForm::SelectProject(const TWebsiteProject* Project)
{
    for (int Row = 0; Row < FProjects->VisibleCount(); ++Row)
        if (FProjects->GetVisibleProject(Row) == Project) {
            FProjectsListView->selectRow(Row);
            return;
        }
    FProjectsListView->clearSelection();
}

bool THrvMainForm::ProjectNameExists(const QString& ProjectName, const TWebsiteProject* Project)
{
    const TWebsiteProject* Found = FProjects->FindProject(ProjectName);
    if (!Found || Found == Project)
        return false;
    Warning(QStringLiteral("Project \"%1\" already exists.").arg(ProjectName));
    return true;
}

QString THrvMainForm::SelectedGroup() const
{
    return FGroupComboBox->currentIndex() >= 1 ? FGroupComboBox->currentText() : QString();
}

void THrvMainForm::AddProjectActionExecute()
{
    auto Project = std::make_unique<TWebsiteProject>();
    if (FEditor && FEditor->AddProject(*Project, FOutDirEdit->text(), SelectedGroup())
        && !ProjectNameExists(Project->ProjectName(), nullptr)) {
        const TWebsiteProject* Added = Project.get();
        FProjects->AddProject(std::move(Project));
        RefreshProjectsView();
        SelectProject(Added);
    }
}

void THrvMainForm::CopyProjectActionExecute()
{
    const TWebsiteProject* Selected = GetSelectedProject();
    if (!Selected)
        return;
    auto Copy = std::make_unique<TWebsiteProject>(Selected);
    Copy->SetProjectName(QString());
    if (FEditor && FEditor->EditProject(*Copy, FOutDirEdit->text(), true)
        && !ProjectNameExists(Copy->ProjectName(), nullptr)) {
        const TWebsiteProject* Added = Copy.get();
        FProjects->AddProject(std::move(Copy));
        RefreshProjectsView();
        SelectProject(Added);
    }
}

void THrvMainForm::EditProjectActionExecute()
{
    TWebsiteProject* Selected = GetSelectedProject();
    if (!Selected)
        return;
    auto Copy = std::make_unique<TWebsiteProject>(Selected);
    if (FEditor && FEditor->EditProject(*Copy, FOutDirEdit->text(), false)
        && !ProjectNameExists(Copy->ProjectName(), Selected)) {
        FProjects->ReplaceProject(Selected, std::move(Copy));
        RefreshProjectsView();
    }
}

void THrvMainForm::DeleteProjectActionExecute()
{
    TWebsiteProject* Selected = GetSelectedProject();
    if (!Selected)
        return;
    const QString Query
        = QStringLiteral("Delete \"%1\".\"\r\n\r\nAre you sure?").arg(Selected->ProjectName());
    if (Confirm(QStringLiteral("Delete Project"), Query)) {
        const int Row = FProjectsListView->SelectedRow();
        FProjects->RemoveProject(Selected);
        RefreshProjectsView();
        // The row that took its place, or the new last row.
        if (FProjects->VisibleCount() > 0)
            SelectProject(FProjects->GetVisibleProject(qMin(Row, FProjects->VisibleCount() - 1)));
    }
}

void THrvMainForm::OpenOutputFolderActionExecute()
{
    if (const TWebsiteProject* Selected = GetSelectedProject())
        ExploreFolder(
            ExpandOutputFolderTags(Selected->OutputFolder(), FOutDirEdit->text(), Selected->ProjectName()));
}

void THrvMainForm::ForgetSavedStateActionExecute()
{
    const TWebsiteProject* Selected = GetSelectedProject();
    if (!Selected)
        return;
    // A run keeps its store open; it is deleted once the run has ended.
    if (FRunning) {
        Warning(QStringLiteral("Please, wait for the run to end."));
        return;
    }
    try {
        LogMsg(ForgetProjectState(*Selected, FOutDirEdit->text(), CrawlStateFolder(QString(), FStateDir)));
        FMainPageControl->setCurrentWidget(FLogTabSheet);
    } catch (const Exception& E) {
        ReportError(E.Message());
    }
}

void THrvMainForm::CheckAllProjectsActionExecute()
{
    FProjects->CheckAll();
    RefreshProjectsView();
}

void THrvMainForm::UnCheckAllProjectsActionExecute()
{
    FProjects->UnCheckAll();
    RefreshProjectsView();
}

void THrvMainForm::SetGroupEntries(const QStringList& Entries, int Selected)
{
    const QSignalBlocker Blocker(FGroupComboBox);
    FGroupComboBox->clear();
    FGroupComboBox->addItems(Entries);
    FGroupComboBox->setCurrentIndex(Selected);
}

void THrvMainForm::GroupComboBoxDropDown()
{
    const QStringList Entries = GroupFilterEntries(*FProjects);
    SetGroupEntries(Entries, GroupFilterIndex(Entries, SelectedGroup()));
}

void THrvMainForm::GroupComboBoxClick(int Index)
{
    const TWebsiteProject* Selected = GetSelectedProject();
    FProjects->ApplyGroupFilter(Index >= 1 ? FGroupComboBox->itemText(Index) : QString());
    RefreshProjectsView();
    SelectProject(Selected);
}

void THrvMainForm::ProjectsListViewDragDrop(TWebsiteProject* Dragged, int TargetRow)
{
    if (TWebsiteProject* Target = FModel->RowProject(TargetRow)) {
        FProjects->MoveProject(Dragged, Target);
        RefreshProjectsView();
        // The selection goes with the moved project, so that the actions
        // keep acting on it and not on the project now in its old row.
        SelectProject(Dragged);
    }
}

void THrvMainForm::BrowseOutDirButtonClick()
{
    const QString Folder = BrowseForFolder(this, FOutDirEdit->text());
    if (!Folder.isEmpty())
        FOutDirEdit->setText(Folder);
}

void THrvMainForm::ExploreOutDirButtonClick()
{
    ExploreFolder(FOutDirEdit->text());
}
