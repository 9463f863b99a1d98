#include "WebsiteUnit.h"

#include <algorithm>

static void CheckListIndex(int I, int Count)
{
    if (I < 0 || I >= Count)
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(I));
}

// Moves the entry at From to To of the list without it (erase, then insert).
template <typename Vector> static void MoveEntry(Vector& List, int From, int To)
{
    auto Entry = std::move(List[From]);
    List.erase(List.begin() + From);
    List.insert(List.begin() + To, std::move(Entry));
}

int TWebsiteProjectList::IndexOf(const TWebsiteProject* Project) const
{
    const auto It = std::find_if(
        FList.begin(), FList.end(), [Project](const auto& Owned) { return Owned.get() == Project; });
    return It == FList.end() ? -1 : static_cast<int>(It - FList.begin());
}

int TWebsiteProjectList::VisibleIndexOf(const TWebsiteProject* Project) const
{
    const auto It = std::find(FVisibleList.begin(), FVisibleList.end(), Project);
    return It == FVisibleList.end() ? -1 : static_cast<int>(It - FVisibleList.begin());
}

int TWebsiteProjectList::CheckedCount() const
{
    return static_cast<int>(
        std::count_if(FList.begin(), FList.end(), [](const auto& Project) { return Project->FChecked; }));
}

int TWebsiteProjectList::CheckedVisibleCount() const
{
    return static_cast<int>(std::count_if(FVisibleList.begin(), FVisibleList.end(),
        [](const TWebsiteProject* Project) { return Project->FChecked; }));
}

TWebsiteProject* TWebsiteProjectList::GetProject(int I) const
{
    CheckListIndex(I, Count());
    return FList[I].get();
}

TWebsiteProject* TWebsiteProjectList::GetVisibleProject(int I) const
{
    CheckListIndex(I, VisibleCount());
    return FVisibleList[I];
}

int TWebsiteProjectList::AddProject(std::unique_ptr<TWebsiteProject> Project)
{
    if (!Project)
        throw EListError(QStringLiteral("No project to add"));
    TWebsiteProject* Added = Project.get();
    if (Added->FVisible)
        FVisibleList.reserve(FVisibleList.size() + 1); // the push below cannot fail
    FList.push_back(std::move(Project));
    if (Added->FVisible)
        FVisibleList.push_back(Added);
    return Count() - 1;
}

TWebsiteProject* TWebsiteProjectList::FindProject(const QString& ProjectName) const
{
    for (const auto& Project : FList)
        if (Project->FProjectName == ProjectName)
            return Project.get();
    return nullptr;
}

bool TWebsiteProjectList::ReplaceProject(
    const TWebsiteProject* Project, std::unique_ptr<TWebsiteProject>&& NewProject)
{
    const int I = IndexOf(Project);
    if (I < 0 || !NewProject)
        return false;
    int ViewPlace = VisibleIndexOf(Project);
    if (ViewPlace >= 0)
        FVisibleList.erase(FVisibleList.begin() + ViewPlace);
    else
        ViewPlace = VisibleCount();
    if (NewProject->FVisible)
        FVisibleList.insert(FVisibleList.begin() + ViewPlace, NewProject.get());
    FList[I] = std::move(NewProject);
    return true;
}

void TWebsiteProjectList::RemoveProject(const TWebsiteProject* Project)
{
    const int I = IndexOf(Project);
    if (I < 0)
        return;
    const int ViewPlace = VisibleIndexOf(Project);
    if (ViewPlace >= 0)
        FVisibleList.erase(FVisibleList.begin() + ViewPlace);
    FList.erase(FList.begin() + I);
}

void TWebsiteProjectList::MoveProject(const TWebsiteProject* Project, const TWebsiteProject* ToProject)
{
    const int From = IndexOf(Project);
    const int To = IndexOf(ToProject);
    if (From < 0 || To < 0 || From == To)
        return;
    MoveEntry(FList, From, To);
    if (!Project->FVisible)
        return;
    const int ViewFrom = VisibleIndexOf(Project);
    const int ViewTo = VisibleIndexOf(ToProject);
    if (ViewFrom >= 0 && ViewTo >= 0 && ViewFrom != ViewTo)
        MoveEntry(FVisibleList, ViewFrom, ViewTo);
}

void TWebsiteProjectList::CheckAll()
{
    for (TWebsiteProject* Project : FVisibleList)
        Project->FChecked = true;
}

void TWebsiteProjectList::UnCheckAll()
{
    for (const auto& Project : FList)
        Project->FChecked = false;
}

void TWebsiteProjectList::SetProjectVisibility(TWebsiteProject* Project, bool Visible)
{
    if (!Project || Project->FVisible == Visible)
        return;
    if (Visible) {
        // A project of another list would dangle in this view.
        if (IndexOf(Project) < 0)
            return;
        FVisibleList.push_back(Project);
    } else {
        const int ViewPlace = VisibleIndexOf(Project);
        if (ViewPlace >= 0)
            FVisibleList.erase(FVisibleList.begin() + ViewPlace);
        Project->FChecked = false;
    }
    Project->FVisible = Visible;
}

void TWebsiteProjectList::ApplyGroupFilter(const QString& Group)
{
    const auto Passes = [&Group](const TWebsiteProject* Project) {
        return Group.isEmpty() || Project->FGroupName == Group;
    };
    std::vector<TWebsiteProject*> View;
    View.reserve(FList.size());
    for (TWebsiteProject* Project : FVisibleList)
        if (Passes(Project))
            View.push_back(Project);
    for (const auto& Project : FList) {
        if (!Passes(Project.get())) {
            // Only a project that becomes hidden loses its check.
            if (Project->FVisible)
                Project->FChecked = false;
            Project->FVisible = false;
        } else if (!Project->FVisible) {
            Project->FVisible = true;
            View.push_back(Project.get());
        }
    }
    FVisibleList.swap(View);
}

void TWebsiteProjectList::FillListOfGroups(TStrings& lst) const
{
    for (const auto& Project : FList)
        if (!Project->FGroupName.isEmpty() && lst.IndexOf(Project->FGroupName) < 0)
            lst.Add(Project->FGroupName);
}
