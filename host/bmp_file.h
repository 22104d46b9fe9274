// Writing the host's screenshots as plain BMP files.
#pragma once

#include <string>
#include <vector>

// Writes width x height pixels, given as BGR bytes row by row from the top
// (3 * width bytes a row, no padding), as a 24-bit bottom-up BMP file.
bool WriteBmp24(const std::string& path, int width, int height,
                const std::vector<unsigned char>& bgrTopDown);
