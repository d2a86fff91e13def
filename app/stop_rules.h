// The exit triggers and the common part of the stop, for both builds.
//
// Key down ends the saver after 45 ms; a system key (Alt held, F10), any
// mouse button, the wheel and raw mouse input after 100 ms. Key-up,
// button-up and plain pointer motion end nothing.
#pragma once

enum class Trigger { Key, SystemKey, MouseButton, Wheel, RawInput };

int StopPauseMs(Trigger trigger);

// A raw mouse record is user input when it moves, however little, or
// carries a button or wheel change. An empty record (Wine sends one as the
// window appears) is not.
bool RawMouseIsInput(long dx, long dy, unsigned buttonFlags);

// The first steps of every stop: clear RunFlag, pause, then give the render
// thread up to `frameWaitMs` (a second, unless told) to finish its frame, so
// the window's surface can be released safely afterwards.
inline constexpr int STOP_FRAME_WAIT_MS = 1000;
void HaltRendering(int pauseMs, int frameWaitMs = STOP_FRAME_WAIT_MS);
