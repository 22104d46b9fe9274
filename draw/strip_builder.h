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

// Rebuilds stripSurface (and peakSurface when peaks are on) from skinImage in
// the given settings and colours.
void BuildStrip(DibSurface* skinImage, const ZelpinConfig& settings, const VisColor& colors);
