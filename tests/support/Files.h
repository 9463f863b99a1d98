#pragma once

#include <QByteArray>
#include <QString>

// Creates or replaces the file with Bytes; fails the running test when it
// cannot be written.
void WriteFile(const QString& Path, const QByteArray& Bytes);
// The whole file; empty when it cannot be read.
QByteArray ReadFile(const QString& Path);

#include <map>

// Every file below Folder with its content, by relative path.
std::map<QString, QByteArray> TreeOf(const QString& Folder);
