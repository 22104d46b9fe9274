// The per-frame analyser: spectrum -> column levels -> strip pixels.
#pragma once

#include "player/vis_plugin.h"

extern const unsigned char levelTable[256];
extern const int bandBounds[76];

// Per-column state, zero at load and never reset.
extern unsigned char barHeld[76];
extern signed char barDecay[76];
extern unsigned char peakHeld[76];
extern signed char peakHold[76];
extern unsigned char peakFall[76];

void DrawBars(winampVisModule* module);
void DrawBarsAndPeaks(winampVisModule* module);
void DrawBarsAndRain(winampVisModule* module);
