// The whole way a skin's main bitmap goes when a skin loads: the bitmap
// check and the platform's loader (DibSurface::Load), the bar strip built
// from the image, and the pixel signature sampled from it.
#pragma once

// 1 when the bitmap at path loaded and went all the way, 0 when it was
// refused; -1 when the analyser's surfaces cannot be made; -2 when the
// catalogue's reading of the sample points straight from the file disagrees
// with the signature of the loaded image.
int RunSkinLoadPath(const char* path);
