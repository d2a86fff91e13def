// Which of SDL's events end the portable saver, and after which pause.
#pragma once

#include <SDL.h>

inline constexpr int NO_STOP = -1;

// The pointer entered the window at `timestamp`: the motion that places it
// there ends nothing.
void NotePointerEntry(Uint32 timestamp);

// The pause before the stop that `event` starts, or NO_STOP. `followsEntry`:
// the event came right after the pointer entered the window.
int StopPauseFor(const SDL_Event& event, bool followsEntry);
