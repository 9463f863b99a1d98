#include "ConsoleOptions.h"
#include "ConsoleRunner.h"
#include "InterruptSignals.h"

#include "HarvoVersion.h"
#include "http/LibSSLUnit.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    InstallInterruptHandlers();
    QCoreApplication App(argc, argv);
    QString Error;
    const TConsoleOptions Options = ParseConsoleOptions(App.arguments().mid(1), Error);
    if (!Error.isEmpty()) {
        std::fprintf(stderr, "harvo-cli: %s\nTry 'harvo-cli --help'.\n", Error.toUtf8().constData());
        return ceUsage;
    }
    if (Options.Help) {
        std::fputs(ConsoleUsage, stdout);
        return ceSuccess;
    }
    if (Options.Version) {
        std::fputs("harvo-cli " HARVO_VERSION "\n", stdout);
        return ceSuccess;
    }
    InitializeLibSSLUnit();
    const int Status = RunConsole(Options, QCoreApplication::applicationDirPath());
    FinalizeLibSSLUnit();
    return Status;
}
