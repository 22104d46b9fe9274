// Builds the seventeen bar frames and the peak row from a skin's main bitmap.
#pragma once

#include <windows.h>

class DibSurface;
class ZelpinConfig;
class VisColor;

typedef COLORREF (*ColorPicker)(int a, int b);
typedef void (*BlendPixel)(COLORREF* pixel, COLORREF color);

extern ColorPicker colorPicker;

COLORREF PickByRow(int a, int b);
COLORREF PickFromTop(int a, int b);
COLORREF PickByHeight(int a, int b);

void BlendMix(COLORREF* pixel, COLORREF color);
void BlendAdd(COLORREF* pixel, COLORREF color);
void BlendSubtract(COLORREF* pixel, COLORREF color);

// Lays the analyser's background from the skin image into a 24-bit
// surface's drawing context as the strip takes it: the vis area over black,
// so an image smaller than 100 x 59 leaves the part it does not cover black.
void LayVisBackground(HDC target, const DibSurface& skinImage);

// Rebuilds stripSurface (and peakSurface when peaks are on) from skinImage in
// the given settings and colours.
void BuildStrip(DibSurface* skinImage, const ZelpinConfig& settings, const VisColor& colors);
