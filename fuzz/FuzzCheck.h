#pragma once

#include <QString>

// Stops the run with Message (and the value that broke it) when a property
// of a fuzz target does not hold; the fuzzer keeps the input that did it.
void FuzzCheck(bool Holds, const char* Message, const QString& Value = QString());
