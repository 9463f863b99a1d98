#include "ui/HrvApplication.h"
#include "ui/HrvMainUnit.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication Application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Harvo Grabber"));
    QApplication::setDesktopFileName(QStringLiteral("harvo"));

    THrvWindows Windows(QApplication::arguments());
    Windows.MainForm->show();
    return QApplication::exec();
}
