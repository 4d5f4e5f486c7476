// A command-line run that the user or the system asks to end (Ctrl+C, SIGTERM
// and SIGHUP; on Windows also Ctrl+Break and closing the console) ends at its
// next safe point, its report closed and no temporary file left, instead of
// dying half way. A second request ends the process at once.
#pragma once

// Starts watching for the requests.
void watchForInterruption();
// True once a request came.
bool interruptionRequested();
// Tells the system, which may be waiting for it, that the run has ended cleanly.
void interruptionHandled();

// The exit status of a run that was asked to end.
constexpr int InterruptedExitStatus = 130;
