// What the scene needs from the system besides surfaces.
#pragma once

#include "platform/surface.h"

void SleepMs(int ms);

struct ScreenSize {
    int width;
    int height;
};

// The primary screen, as the desktop window's rectangle gives it.
ScreenSize DesktopSize();

// The embedded 50 x 39 logo on a new surface compatible with `like`, or
// null when the program carries none.
Surface* LoadLogo(Surface* like);

// Tells the user the logo is missing ("Hello", "Hello", one OK button) and
// returns once the message has been dismissed.
void ReportMissingLogo();

// The GDI objects this process holds, or -1 on a system without GDI.
int GdiObjectCount();

// Puts a finished frame on the window in one whole-surface copy.
void PresentFrame(Surface* window, Surface* backBuffer);
