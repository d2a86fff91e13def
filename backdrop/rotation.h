// The slow change of backdrop: every 21 seconds the next of the five,
// 0 -> 1 -> 2 -> 3 -> 4 -> 0, so the logo visits the corners in turn.
#pragma once

// One tick: counts to 20, and on the 21st tick moves BackdropIndex on.
void RotationTick();

using Sleeper = void (*)(int ms);

// Ticks once a second until RunFlag clears. Tests pass a sleeper that
// does not wait.
int RotationThread(Sleeper sleep);
