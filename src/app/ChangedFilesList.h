#pragma once

#include <QString>
#include <QStringList>

// Writes Files to Path, one per line (UTF-8, "\n" after each), through a
// temporary file that takes Path's place only when it is complete, so a
// script never reads half a list. False, with Error, when it cannot be
// written; Path is then as it was.
bool WriteChangedFilesList(const QString& Path, const QStringList& Files, QString& Error);
