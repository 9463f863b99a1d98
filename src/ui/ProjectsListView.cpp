#include "ui/ProjectsListView.h"

#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QMouseEvent>

TProjectsListView::TProjectsListView(QWidget* Parent)
    : QTableView(Parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

int TProjectsListView::SelectedRow() const
{
    const QModelIndexList Rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return Rows.isEmpty() ? -1 : Rows.first().row();
}

bool TProjectsListView::InCheckZone(int Row, const QPoint& Pos) const
{
    const QModelIndex Index = model()->index(Row, 0);
    QStyleOptionViewItem Option;
    initViewItemOption(&Option);
    Option.rect = visualRect(Index);
    Option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect Indicator = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &Option, this);
    // The zone spans the indicator's columns over the whole row height.
    return Pos.x() >= Indicator.left() && Pos.x() <= Indicator.right() && Option.rect.contains(Pos);
}

void TProjectsListView::mousePressEvent(QMouseEvent* Event)
{
    const QPoint Pos = Event->position().toPoint();
    const int Row = rowAt(Pos.y());
    if (Row >= 0 && InCheckZone(Row, Pos))
        emit CheckZonePressed(Row);
    QTableView::mousePressEvent(Event);
}

void TProjectsListView::startDrag(Qt::DropActions)
{
    TWebsiteProject* Project = SelectedProject ? SelectedProject() : nullptr;
    if (!Project)
        return;
    auto* Drag = new QDrag(this);
    Drag->setMimeData(new TDragWebsiteProject(Project));
    Drag->exec(Qt::MoveAction);
}

namespace {
// Only a project dragged from the list itself may be dropped on it.
void AcceptProjectDrag(QDragMoveEvent* Event)
{
    if (qobject_cast<const TDragWebsiteProject*>(Event->mimeData()))
        Event->acceptProposedAction();
    else
        Event->ignore();
}
} // namespace

void TProjectsListView::dragEnterEvent(QDragEnterEvent* Event)
{
    AcceptProjectDrag(Event);
}

void TProjectsListView::dragMoveEvent(QDragMoveEvent* Event)
{
    AcceptProjectDrag(Event);
}

void TProjectsListView::dropEvent(QDropEvent* Event)
{
    const auto* Dragged = qobject_cast<const TDragWebsiteProject*>(Event->mimeData());
    if (!Dragged) {
        Event->ignore();
        return;
    }
    Event->acceptProposedAction();
    const int Row = rowAt(Event->position().toPoint().y());
    if (Row >= 0)
        emit ProjectDropped(Dragged->Project, Row);
}
