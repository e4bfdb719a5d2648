// How a korvid-render run ends early: SIGINT or SIGTERM ask it to stop, and a
// time budget (a thumbnailer's) ends the simulation where it has got to. The
// library hears both through its progress function, so a long seek or load
// stops within a fraction of a second.
#pragma once

// Catches SIGINT and SIGTERM and hands the library the progress function.
void installStopSignals();
// A signal asked the run to stop.
bool stopRequested();
// The exit status of a run a signal stopped: 128 plus the signal's number.
int stopStatus();

// Milliseconds the run may simulate from now; 0 or below, no limit.
void startTimeBudget(int milliseconds);
bool budgetSpent();
