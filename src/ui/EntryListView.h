#pragma once

#include <QTreeWidget>
#include <QWidget>
#include <functional>

class QPushButton;

// A two-column report list of the project editor: whole-row selection, keys
// Delete and Space, and (when allowed) reordering of the selected rows by
// dragging them inside the same list.
class TEntryListView : public QTreeWidget {
    Q_OBJECT
public:
    TEntryListView(const QString& FirstColumn, int FirstWidth, const QString& SecondColumn, int SecondWidth,
        bool MultiRowDrag, QWidget* Parent = nullptr);

    void AddRow(const QString& Caption, const QString& SubItem);
    QTreeWidgetItem* FirstSelectedRow() const;
    // Moves the selected rows, in their order, just before Target (to the
    // end for none); they end up unselected.
    void MoveSelectedRowsBefore(QTreeWidgetItem* Target);

signals:
    void DeletePressed();
    void SpacePressed();

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dragMoveEvent(QDragMoveEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;
};

// One list of the editor with its Add, Edit and Delete buttons.
class TEntryListPanel : public QWidget {
    Q_OBJECT
public:
    // Edits the two texts of a row in its entry dialog; true on OK.
    using TEntryEditor = std::function<bool(QString& Caption, QString& SubItem)>;

    TEntryListPanel(TEntryListView* List, TEntryEditor Editor, QWidget* Parent = nullptr);

    TEntryListView* List() const { return FList; }
    QPushButton* AddButton() const { return FAddButton; }
    QPushButton* EditButton() const { return FEditButton; }
    QPushButton* DeleteButton() const { return FDeleteButton; }

    void Clear();
    void AddButtonClick();
    void EditButtonClick();
    void DeleteButtonClick();

private:
    void SelectionChanged();
    void ClickIfEnabled(QPushButton* Button);
    // Runs an entry dialog; a failure is shown in the general error box.
    bool RunEditor(QString& Caption, QString& SubItem);

    TEntryListView* FList;
    TEntryEditor FEditor;
    QPushButton* FAddButton;
    QPushButton* FEditButton;
    QPushButton* FDeleteButton;
};
