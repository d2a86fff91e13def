// What the main thread sleeps on between events: the display's connection,
// and a pipe that a signal handler or another thread writes to wake it.
#pragma once

// False when the pipe could not be made.
bool CanWakeEventLoop();

// Main thread: sleeps until the display has events, one of the wakes below
// came, or `timeoutMs` (-1: no limit) has passed. Off X11 a wake by signal
// may take up to a quarter of a second.
void WaitForWindowWork(int timeoutMs);

// Wakes WaitForWindowWork. Safe in a signal handler and on any thread.
void WakeEventLoop();

// Where SDL's connection is not an X11 one, the main thread waits in SDL
// itself, and is woken by an event of its own.
void WakeEventLoopBySdlEvents();

// Render thread: a frame is ready for the main thread to show.
void WakeEventLoopForFrame();
