#pragma once

struct TRunControl;

// Ctrl+C (SIGINT) and SIGTERM. Installed first thing in main, so that no
// signal finds the default action while the program starts: one that comes
// before a run is watched ends the program at once (status 130 or 143, as a
// shell reports a program that the signal ended); during a run the first is
// Break and a second ends the program at once.
void InstallInterruptHandlers();
// The run that the next signal breaks; null when none.
void WatchRun(TRunControl* Control);
// After a run that a signal stopped, the status the program ends with (130
// for SIGINT, 143 for SIGTERM); 0 when no signal came.
int InterruptStatus();
