#include "ui/EntryForm.h"

#include "ui/DialogParts.h"
#include "ui/FormScale.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TEntryForm::TEntryForm(const QString& Caption, const QString& Explanation, const QString& FirstLabel,
    const QString& SecondLabel, int DesignWidth, QWidget* Parent)
    : QDialog(Parent)
    , FFirstEdit(new QLineEdit(this))
    , FSecondEdit(new QLineEdit(this))
{
    setWindowTitle(Caption);
    MakeFixedDialog(*this);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(new QLabel(Explanation, this));
    Layout->addSpacing(fontMetrics().height() / 2);
    AddLabelledBox(*Layout, FirstLabel, FFirstEdit);
    AddLabelledBox(*Layout, SecondLabel, FSecondEdit);
    Layout->addStretch();
    const TOkCancelButtons Buttons = AddOkCancelButtons(*this, *Layout);
    FOKButton = Buttons.OK;
    FCancelButton = Buttons.Cancel;
    connect(FFirstEdit, &QLineEdit::textChanged, this, &TEntryForm::FirstEditChange);

    setFixedWidth(ScaledPixels(this, DesignWidth));
    setFixedHeight(sizeHint().height());
}

bool TEntryForm::ExecuteTexts(const QString& First, const QString& Second)
{
    FFirstEdit->setText(First);
    FSecondEdit->setText(Second);
    FirstEditChange();
    FFirstEdit->setFocus();
    return exec() == QDialog::Accepted;
}

void TEntryForm::FirstEditChange()
{
    FOKButton->setEnabled(!FFirstEdit->text().isEmpty());
}
