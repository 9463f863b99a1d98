#include "http/LibSSLUnit.h"
#include "ui/HrvApplication.h"
#include "ui/HrvFormUnit.h"
#include "ui/HrvMainUnit.h"

#include <QApplication>

namespace {
// A failed start-up or shut-down step is shown and the program goes on.
void ShowModuleError(const QString& ATitle, const QString& AText)
{
    ShowMessageBox(nullptr, QMessageBox::Critical, ATitle, AText, QMessageBox::Ok);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication Application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Harvo Grabber"));
    QApplication::setDesktopFileName(QStringLiteral("harvo"));

    InitializeLibSSLUnit(ShowModuleError);
    int ExitCode = 0;
    {
        THrvWindows Windows(QApplication::arguments());
        Windows.MainForm->show();
        ExitCode = QApplication::exec();
        if (ExitCode == 0)
            ExitCode = Windows.MainForm->ExitStatus();
    }
    FinalizeLibSSLUnit(ShowModuleError);
    return ExitCode;
}
