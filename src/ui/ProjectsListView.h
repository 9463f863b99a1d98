#pragma once

#include <QMimeData>
#include <QTableView>
#include <functional>

class TWebsiteProject;

// The drag object of the project list: the project being dragged (not owned).
class TDragWebsiteProject : public QMimeData {
    Q_OBJECT
public:
    explicit TDragWebsiteProject(TWebsiteProject* AProject)
        : Project(AProject)
    {
    }

    TWebsiteProject* Project;
};

// The main window's report list: whole-row single selection, a check box in
// the first column that toggles on a press of any button inside its zone,
// and reordering by dragging a project onto another row.
class TProjectsListView : public QTableView {
    Q_OBJECT
public:
    explicit TProjectsListView(QWidget* Parent = nullptr);

    // The project of the selected row, provided by the window.
    std::function<TWebsiteProject*()> SelectedProject;

    int SelectedRow() const;
    // True when Pos (viewport coordinates) lies in the check zone of Row.
    bool InCheckZone(int Row, const QPoint& Pos) const;

signals:
    void CheckZonePressed(int Row);
    void ProjectDropped(TWebsiteProject* Project, int TargetRow);

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void startDrag(Qt::DropActions SupportedActions) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dragMoveEvent(QDragMoveEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;
};
