// The missing-logo message: shown for the render thread, which waits until
// it is dismissed as a Windows message box holds its thread, while the main
// thread goes on serving the window. SDL's message box makes video calls on
// SDL's state and does not return until dismissed, so the main thread shows
// it from a process of its own: this program again, started for the
// message alone.
#pragma once

// At the start of main: in the message's own process, shows it and gives
// the exit code; otherwise -1.
int RunAsMessage();

// Render thread: the message, and the wait until it is dismissed or the
// stop begins.
void ShowMessageAndWait();

// Main thread, each time round its loop: starts the message if it was asked
// for, and reaps it once dismissed. The descriptor that wakes the loop when
// the message goes, or -1.
int ServeMessage();

// Main thread, as the stop begins or before the saver starts over: the
// message goes, and the render thread waits for it no more.
void EndMessage();
