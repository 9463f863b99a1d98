#include "ui/DialogParts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

void MakeFixedDialog(QDialog& Dialog)
{
    Dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void AddLabelledBox(QBoxLayout& Layout, const QString& Caption, QWidget* Box, int Stretch)
{
    auto* Label = new QLabel(Caption);
    Label->setBuddy(Box);
    Layout.addWidget(Label);
    Layout.addWidget(Box, Stretch);
}

TOkCancelButtons AddOkCancelButtons(QDialog& Dialog, QBoxLayout& Layout)
{
    auto* Buttons = new QDialogButtonBox(&Dialog);
    TOkCancelButtons Result { Buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole),
        Buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole) };
    Result.OK->setDefault(true);
    Result.OK->setEnabled(false);
    Layout.addWidget(Buttons);
    QObject::connect(Buttons, &QDialogButtonBox::accepted, &Dialog, &QDialog::accept);
    QObject::connect(Buttons, &QDialogButtonBox::rejected, &Dialog, &QDialog::reject);
    return Result;
}
