#include "ui/EntryListView.h"

#include "containers/Exception.h"
#include "ui/FormScale.h"
#include "ui/HrvFormUnit.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

TEntryListView::TEntryListView(const QString& FirstColumn, int FirstWidth, const QString& SecondColumn,
    int SecondWidth, bool MultiRowDrag, QWidget* Parent)
    : QTreeWidget(Parent)
{
    setColumnCount(2);
    setHeaderLabels({ FirstColumn, SecondColumn });
    setColumnWidth(0, ScaledPixels(this, FirstWidth));
    setColumnWidth(1, ScaledPixels(this, SecondWidth));
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(
        MultiRowDrag ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    if (MultiRowDrag) {
        setDragEnabled(true);
        setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDefaultDropAction(Qt::MoveAction);
        setDropIndicatorShown(true);
    }
}

void TEntryListView::AddRow(const QString& Caption, const QString& SubItem)
{
    addTopLevelItem(new QTreeWidgetItem(QStringList { Caption, SubItem }));
}

QTreeWidgetItem* TEntryListView::FirstSelectedRow() const
{
    for (int I = 0; I < topLevelItemCount(); ++I)
        if (topLevelItem(I)->isSelected())
            return topLevelItem(I);
    return nullptr;
}

void TEntryListView::MoveSelectedRowsBefore(QTreeWidgetItem* Target)
{
    QList<QTreeWidgetItem*> Moved;
    QList<QTreeWidgetItem*> Kept;
    for (int I = 0; I < topLevelItemCount(); ++I)
        (topLevelItem(I)->isSelected() ? Moved : Kept).append(topLevelItem(I));
    if (Moved.isEmpty())
        return;
    // A target that is itself moved gives way to the first row after it that stays.
    if (Target && Target->isSelected()) {
        const int From = indexOfTopLevelItem(Target);
        Target = nullptr;
        for (int I = From + 1; I < topLevelItemCount() && !Target; ++I)
            if (!topLevelItem(I)->isSelected())
                Target = topLevelItem(I);
    }
    const int Insert = Target ? Kept.indexOf(Target) : Kept.size();
    QList<QTreeWidgetItem*> Order = Kept.mid(0, Insert) + Moved + Kept.mid(Insert);

    const QSignalBlocker Blocker(this);
    clearSelection();
    while (topLevelItemCount() > 0)
        takeTopLevelItem(topLevelItemCount() - 1);
    addTopLevelItems(Order);
    blockSignals(false);
    emit itemSelectionChanged();
}

void TEntryListView::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Delete)
        emit DeletePressed();
    else if (Event->key() == Qt::Key_Space)
        emit SpacePressed();
    else
        QTreeWidget::keyPressEvent(Event);
}

void TEntryListView::dragEnterEvent(QDragEnterEvent* Event)
{
    if (Event->source() == this)
        QTreeWidget::dragEnterEvent(Event);
    else
        Event->ignore();
}

void TEntryListView::dragMoveEvent(QDragMoveEvent* Event)
{
    if (Event->source() == this)
        Event->acceptProposedAction();
    else
        Event->ignore();
}

void TEntryListView::dropEvent(QDropEvent* Event)
{
    if (Event->source() != this) {
        Event->ignore();
        return;
    }
    MoveSelectedRowsBefore(itemAt(Event->position().toPoint()));
    // The rows are already in place; the drag source must not remove anything.
    Event->setDropAction(Qt::CopyAction);
    Event->accept();
}

TEntryListPanel::TEntryListPanel(TEntryListView* List, TEntryEditor Editor, QWidget* Parent)
    : QWidget(Parent)
    , FList(List)
    , FEditor(std::move(Editor))
    , FAddButton(new QPushButton(QStringLiteral("Add..."), this))
    , FEditButton(new QPushButton(QStringLiteral("Edit..."), this))
    , FDeleteButton(new QPushButton(QStringLiteral("Delete"), this))
{
    setFocusProxy(FList);
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(FList);
    auto* Buttons = new QHBoxLayout;
    for (QPushButton* Button : { FAddButton, FEditButton, FDeleteButton }) {
        Button->setAutoDefault(false);
        Buttons->addWidget(Button);
    }
    Buttons->addStretch();
    Layout->addLayout(Buttons);

    connect(FAddButton, &QPushButton::clicked, this, &TEntryListPanel::AddButtonClick);
    connect(FEditButton, &QPushButton::clicked, this, &TEntryListPanel::EditButtonClick);
    connect(FDeleteButton, &QPushButton::clicked, this, &TEntryListPanel::DeleteButtonClick);
    connect(FList, &QTreeWidget::itemSelectionChanged, this, &TEntryListPanel::SelectionChanged);
    connect(FList, &QTreeWidget::itemDoubleClicked, this, [this] { ClickIfEnabled(FEditButton); });
    connect(FList, &TEntryListView::SpacePressed, this, [this] { ClickIfEnabled(FEditButton); });
    connect(FList, &TEntryListView::DeletePressed, this, [this] { ClickIfEnabled(FDeleteButton); });
    SelectionChanged();
}

void TEntryListPanel::Clear()
{
    FList->clear();
    SelectionChanged();
}

void TEntryListPanel::AddButtonClick()
{
    QString Caption;
    QString SubItem;
    if (RunEditor(Caption, SubItem) && !Caption.isEmpty())
        FList->AddRow(Caption, SubItem);
}

void TEntryListPanel::EditButtonClick()
{
    QTreeWidgetItem* Row = FList->FirstSelectedRow();
    if (!Row)
        return;
    QString Caption = Row->text(0);
    QString SubItem = Row->text(1);
    if (!RunEditor(Caption, SubItem))
        return;
    Row->setText(0, Caption);
    Row->setText(1, SubItem);
}

void TEntryListPanel::DeleteButtonClick()
{
    qDeleteAll(FList->selectedItems());
    SelectionChanged();
}

void TEntryListPanel::SelectionChanged()
{
    const bool HasSelection = FList->FirstSelectedRow() != nullptr;
    FEditButton->setEnabled(HasSelection);
    FDeleteButton->setEnabled(HasSelection);
}

void TEntryListPanel::ClickIfEnabled(QPushButton* Button)
{
    if (Button->isEnabled())
        Button->click();
}

bool TEntryListPanel::RunEditor(QString& Caption, QString& SubItem)
{
    try {
        return FEditor(Caption, SubItem);
    } catch (const Exception& E) {
        ShowErrorMessage(window(), E.Message());
        return false;
    }
}
