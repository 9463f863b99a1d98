#pragma once

#include <QString>
#include <QStringList>

// The pieces of a ";"-separated list, each trimmed of the characters with
// codes up to 32 at both ends, empty pieces left out.
QStringList SplitSemicolonList(const QString& Value);
