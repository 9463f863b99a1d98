#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// A small fixed-size dialog with a line of explanation and two labelled
// boxes; OK is enabled exactly while the first box is not empty.
class TEntryForm : public QDialog {
    Q_OBJECT
public:
    TEntryForm(const QString& Caption, const QString& Explanation, const QString& FirstLabel,
        const QString& SecondLabel, int DesignWidth, QWidget* Parent = nullptr);

    QLineEdit* FirstEdit() const { return FFirstEdit; }
    QLineEdit* SecondEdit() const { return FSecondEdit; }
    QPushButton* OKButton() const { return FOKButton; }
    QPushButton* CancelButton() const { return FCancelButton; }

protected:
    // Fills the boxes, shows the dialog modally and tells whether it closed with OK.
    bool ExecuteTexts(const QString& First, const QString& Second);

private:
    void FirstEditChange();

    QLineEdit* FFirstEdit;
    QLineEdit* FSecondEdit;
    QPushButton* FOKButton;
    QPushButton* FCancelButton;
};
