#pragma once

struct TRunControl;

// Ctrl+C (SIGINT) and SIGTERM. Installed first thing in main, so that no
// signal finds the default action while the program starts: one that comes
// before a run is watched ends the program at once (status 130); during a
// run the first is Break and a second ends the program at once.
void InstallInterruptHandlers();
// The run that the next signal breaks; null when none.
void WatchRun(TRunControl* Control);
