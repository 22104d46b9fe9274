// Plain BMP files for the host: a soundness check before the platform's
// loader sees a file (some loaders crash on a file cut short), and writing
// 24-bit screenshots.
#pragma once

#include <string>
#include <vector>

// True when the file's headers are well formed and the file holds all the
// pixel data they announce.
bool BmpFileIsSound(const std::string& path);

// Writes width x height pixels, given as BGR bytes row by row from the top
// (3 * width bytes a row, no padding), as a 24-bit bottom-up BMP file.
bool WriteBmp24(const std::string& path, int width, int height,
                const std::vector<unsigned char>& bgrTopDown);
