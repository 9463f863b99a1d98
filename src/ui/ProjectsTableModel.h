#pragma once

#include <QAbstractTableModel>

class TWebsiteProject;
class TWebsiteProjectList;

// The rows of the main window's list, read from the visible projects on
// demand; the model keeps nothing of its own but the row count shown.
class TProjectsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TProjectsTableModel(const TWebsiteProjectList& Projects, QObject* Parent = nullptr);

    // Adopts the current visible count and repaints every row.
    void Refresh();
    TWebsiteProject* RowProject(int Row) const;

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

    // Column titles with their design widths (see ScaledPixels).
    static const QList<QPair<QString, int>>& Columns();

private:
    const TWebsiteProjectList& FProjects;
    int FRowCount = 0;
};
