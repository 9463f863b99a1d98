#pragma once

#include <QString>
#include <QStringList>

// What a finished harvo-cli left behind.
struct CliResult {
    int ExitCode = -1;
    QByteArray Output; // standard output as written
    QStringList Lines; // its non-empty lines
    QString Errors; // standard error
};

// Runs harvo-cli with Arguments in WorkDir (the current folder when empty)
// and waits up to TimeoutMs for it to end.
CliResult RunCli(const QStringList& Arguments, const QString& WorkDir = QString(), int TimeoutMs = 120000);
// The same with Input on its standard input.
CliResult RunCliWithInput(const QStringList& Arguments, const QByteArray& Input, const QString& WorkDir);
