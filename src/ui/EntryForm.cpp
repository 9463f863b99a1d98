#include "ui/EntryForm.h"

#include "ui/FormScale.h"

#include <QDialogButtonBox>
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
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(new QLabel(Explanation, this));
    Layout->addSpacing(fontMetrics().height() / 2);
    for (auto [Text, Edit] : { std::pair(FirstLabel, FFirstEdit), std::pair(SecondLabel, FSecondEdit) }) {
        auto* Label = new QLabel(Text, this);
        Label->setBuddy(Edit);
        Layout->addWidget(Label);
        Layout->addWidget(Edit);
    }
    Layout->addStretch();

    auto* Buttons = new QDialogButtonBox(this);
    FOKButton = Buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    FCancelButton = Buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    FOKButton->setDefault(true);
    FOKButton->setEnabled(false);
    Layout->addWidget(Buttons);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
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
