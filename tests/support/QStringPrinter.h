#pragma once

#include <QString>
#include <ostream>

// Lets test failures show QString values as text.
inline void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}
