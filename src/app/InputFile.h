#pragma once

#include <QString>
#include <QStringList>

// Appends the start URLs of an input file, one a line, to URLs: each line is
// trimmed, and blank lines and lines starting with "#" are skipped. "-"
// reads standard input. False with Error when the file cannot be read.
bool ReadInputFile(const QString& FileName, QStringList& URLs, QString& Error);
