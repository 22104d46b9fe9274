// The whole way a skin's main bitmap goes when a skin loads: the bitmap
// check and the reading of the file (DibSurface::Load), the bar strip built
// from the image, and the pixel signature sampled from it.
#pragma once

#include <string>

class DibSurface;

// Empty when rows top..top + count - 1 (from the top) of `part` hold the
// pixels of the same rows of `whole`; otherwise the first difference.
std::string DifferenceInRows(const DibSurface& part, const DibSurface& whole, int top, int count);

// Empty when `loaded`, read from the file at path, is what the platform's
// loader makes of the file: its header, colour table and every pixel byte;
// otherwise the first difference. Only for files the bitmap check passed.
std::string DifferenceFromPlatformLoader(const char* path, const DibSurface& loaded);

// 1 when the bitmap at path loaded and went all the way, 0 when it was
// refused; -1 when the analyser's surfaces cannot be made; -2 when the
// catalogue's reading of the sample points straight from the file disagrees
// with the signature of the loaded image; -3 when the loaded image is not the
// platform loader's; -4 when the vis area's rows read alone differ from the
// whole image's.
int RunSkinLoadPath(const char* path);
