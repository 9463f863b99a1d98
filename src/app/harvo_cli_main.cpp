#include "ConsoleRunner.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication App(argc, argv);
    QString Error;
    const TConsoleOptions Options = ParseConsoleOptions(App.arguments().mid(1), Error);
    if (!Error.isEmpty()) {
        std::fprintf(stderr, "harvo-cli: %s\n\n%s", Error.toUtf8().constData(), ConsoleUsage);
        return ceUsage;
    }
    if (Options.Help) {
        std::fputs(ConsoleUsage, stdout);
        return ceSuccess;
    }
    return RunConsole(Options, QCoreApplication::applicationDirPath());
}
