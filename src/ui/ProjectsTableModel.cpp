#include "ui/ProjectsTableModel.h"

#include "projects/WebsiteUnit.h"

namespace {
enum TProjectColumn {
    pcProjectName,
    pcGroupName,
    pcWebsiteURL,
    pcOutputFolder,
    pcRemoveScripts,
    pcBaseURL,
    pcIndexFile,
    pcOverwrite,
};

QString OverwriteText(TOverwriteFile Overwrite)
{
    switch (Overwrite) {
    case ofAll:
        return QStringLiteral("All");
    case ofChanged:
        return QStringLiteral("Changed");
    default:
        return QStringLiteral("No");
    }
}

QString CellText(const TWebsiteProject& Project, int Column)
{
    switch (Column) {
    case pcProjectName:
        return Project.ProjectName();
    case pcGroupName:
        return Project.GroupName();
    case pcWebsiteURL:
        return Project.WebsiteURL();
    case pcOutputFolder:
        return Project.OutputFolder();
    case pcRemoveScripts:
        return Project.RemoveScripts() ? QStringLiteral("Yes") : QStringLiteral("No");
    case pcBaseURL:
        return Project.BaseURL();
    case pcIndexFile:
        return Project.IndexFile();
    case pcOverwrite:
        return OverwriteText(Project.Overwrite());
    default:
        return QString();
    }
}
} // namespace

TProjectsTableModel::TProjectsTableModel(const TWebsiteProjectList& Projects, QObject* Parent)
    : QAbstractTableModel(Parent)
    , FProjects(Projects)
{
}

const QList<QPair<QString, int>>& TProjectsTableModel::Columns()
{
    static const QList<QPair<QString, int>> Titles {
        { QStringLiteral("Project Name"), 130 },
        { QStringLiteral("Project Group"), 100 },
        { QStringLiteral("Website URL"), 200 },
        { QStringLiteral("Output Folder"), 200 },
        { QStringLiteral("Remove Scripts?"), 100 },
        { QStringLiteral("Target Base URL"), 100 },
        { QStringLiteral("Index File"), 100 },
        { QStringLiteral("Overwrite"), 80 },
    };
    return Titles;
}

void TProjectsTableModel::Refresh()
{
    if (FRowCount != FProjects.VisibleCount()) {
        beginResetModel();
        FRowCount = FProjects.VisibleCount();
        endResetModel();
    } else if (FRowCount > 0) {
        emit dataChanged(index(0, 0), index(FRowCount - 1, columnCount() - 1));
    }
}

TWebsiteProject* TProjectsTableModel::RowProject(int Row) const
{
    if (Row < 0 || Row >= FRowCount)
        return nullptr;
    return FProjects.GetVisibleProject(Row);
}

int TProjectsTableModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : FRowCount;
}

int TProjectsTableModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : static_cast<int>(Columns().size());
}

QVariant TProjectsTableModel::data(const QModelIndex& Index, int Role) const
{
    const TWebsiteProject* Project = Index.isValid() ? RowProject(Index.row()) : nullptr;
    if (!Project)
        return QVariant();
    if (Role == Qt::DisplayRole)
        return CellText(*Project, Index.column());
    if (Role == Qt::CheckStateRole && Index.column() == pcProjectName)
        return Project->Checked() ? Qt::Checked : Qt::Unchecked;
    return QVariant();
}

QVariant TProjectsTableModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0
        && Section < Columns().size())
        return Columns()[Section].first;
    return QVariant();
}

Qt::ItemFlags TProjectsTableModel::flags(const QModelIndex& Index) const
{
    // Not user-checkable: the window toggles checks itself on a press in the check zone.
    Qt::ItemFlags Flags = QAbstractTableModel::flags(Index);
    if (Index.isValid())
        Flags |= Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    return Flags;
}
