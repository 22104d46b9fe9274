// The analyser's three drawing surfaces.
#pragma once

#include "image/dib_surface.h"
#include "player/main_window.h"

const int kStripFrames = 17;

extern DibSurface* outputSurface;   // 76 x 16: the finished analyser image
extern DibSurface* stripSurface;    // 76 x 272: frame f has a bar of f pixels
extern DibSurface* peakSurface;     // 76 x 16: background blended with the peak colour

int SetUpSurfaces();
void ReleaseSurfaces();
