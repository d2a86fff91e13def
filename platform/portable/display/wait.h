// What the main thread sleeps on between events: the display's connection,
// and a pipe that a signal handler or another thread writes to wake it.
#pragma once

// A pipe that wakes whoever polls its read end. Writing to it is safe in a
// signal handler and on any thread.
struct WakePipe {
    int read = -1, write = -1;
    WakePipe();
};
void Wake(const WakePipe& pipe);

// False when the pipe could not be made.
bool CanWakeEventLoop();

// Main thread: sleeps until the display has events, WakeEventLoop was
// called, `also` (where not -1) can be read, or `timeoutMs` (-1: no limit)
// has passed.
void WaitForWindowWork(int timeoutMs, int also = -1);

// Wakes WaitForWindowWork. Safe in a signal handler and on any thread.
void WakeEventLoop();
