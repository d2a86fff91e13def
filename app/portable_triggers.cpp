#include "app/portable_triggers.h"

#include "app/stop_rules.h"
#include "platform/portable/display/x11.h"

namespace {

// Windows turns a key with Alt held, and F10, into a system key.
Trigger KeyTrigger(const SDL_KeyboardEvent& key)
{
    if (key.keysym.sym == SDLK_F10 || (key.keysym.mod & KMOD_ALT) != 0)
        return Trigger::SystemKey;
    return Trigger::Key;
}

// SDL has no raw mouse input of its own; a motion event that actually
// moves stands for it. Motion that only places the pointer ends nothing:
// - on X11, the motion SDL sends with the pointer's entry into the window
//   (it moves if the window has moved since the pointer last entered);
// - on XWayland, also the first motion within a second of the entry:
//   XWayland puts the pointer at the middle of its screen as the window
//   appears, and moves it where the compositor has it only once the
//   compositor has taken the window in, on a busy machine well over
//   100 ms later;
// - on a Wayland window, motion within 100 ms of the entry, which tells
//   the window where the compositor has the pointer.
// A real mouse sends a stream of motions, so at worst one of them is lost.
constexpr Uint32 POINTER_PLACED_MS = 100;
constexpr Uint32 XWAYLAND_POINTER_PLACED_MS = 1000;
Uint32 pointerEnteredAt = 0;
bool pointerEntered = false;
bool pointerPlaced = false;

} // namespace

void NotePointerEntry(Uint32 timestamp)
{
    pointerEntered = true;
    pointerPlaced = false;
    pointerEnteredAt = timestamp;
}

namespace {

bool PointerBeingPlaced(Uint32 timestamp, bool followsEntry)
{
    if (!pointerEntered)
        return false;
    if (X11ConnectionFd() < 0)
        return timestamp - pointerEnteredAt < POINTER_PLACED_MS;
    if (followsEntry)
        return true;
    if (!IsXWayland() || pointerPlaced)
        return false;
    pointerPlaced = true;
    return timestamp - pointerEnteredAt < XWAYLAND_POINTER_PLACED_MS;
}

} // namespace

int StopPauseFor(const SDL_Event& event, bool followsEntry)
{
    switch (event.type) {
    case SDL_KEYDOWN: return StopPauseMs(KeyTrigger(event.key));
    case SDL_MOUSEBUTTONDOWN: return StopPauseMs(Trigger::MouseButton);
    case SDL_MOUSEWHEEL: return StopPauseMs(Trigger::Wheel);
    case SDL_MOUSEMOTION:
        if (!RawMouseIsInput(event.motion.xrel, event.motion.yrel, 0) ||
            PointerBeingPlaced(event.motion.timestamp, followsEntry))
            return NO_STOP;
        return StopPauseMs(Trigger::RawInput);
    case SDL_QUIT: return 0; // closed by the window manager
    }
    return NO_STOP;
}
