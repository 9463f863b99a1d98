#include "ui/HrvFormUnit.h"

#include <QCoreApplication>

namespace {
TMessageBoxHook& MessageBoxHook()
{
    static TMessageBoxHook Hook;
    return Hook;
}
} // namespace

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook)
{
    std::swap(MessageBoxHook(), Hook);
    return Hook;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* Owner, QMessageBox::Icon Icon, const QString& Title,
    const QString& Text, QMessageBox::StandardButtons Buttons)
{
    if (MessageBoxHook())
        return MessageBoxHook()(Owner, Icon, Title, Text, Buttons);
    QMessageBox Box(Icon, Title, Text, Buttons, Owner);
    Box.setWindowModality(Owner ? Qt::WindowModal : Qt::ApplicationModal);
    return static_cast<QMessageBox::StandardButton>(Box.exec());
}

void ShowErrorMessage(QWidget* Owner, const QString& Text)
{
    ShowMessageBox(Owner, QMessageBox::Critical, QCoreApplication::applicationName(), Text, QMessageBox::Ok);
}

THrvForm::THrvForm(QWidget* Parent)
    : QDialog(Parent)
{
}

void THrvForm::Warning(const QString& AMsg)
{
    ShowMessageBox(this, QMessageBox::Warning, MessageTitle(), AMsg, QMessageBox::Ok);
}

bool THrvForm::Confirm(const QString& AConfirmTitle, const QString& AConfirmQuery)
{
    return ShowMessageBox(
               this, QMessageBox::Question, AConfirmTitle, AConfirmQuery, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

bool THrvForm::CheckNotEmpty(const QString& AValue, const QString& AName)
{
    if (!AValue.isEmpty())
        return true;
    Warning(QStringLiteral("Please, enter ") + AName);
    return false;
}
