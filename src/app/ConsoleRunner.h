#pragma once

#include "ConsoleOptions.h"

// Runs what the options ask for: a quick copy of the URLs given, the list of
// the configuration's projects, or a run of its projects. Returns the exit
// status.
int RunConsole(const TConsoleOptions& Options, const QString& ProgramDir);
