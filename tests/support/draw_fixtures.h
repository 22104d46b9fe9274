// Helpers for the drawing tests: bitmap files written byte by byte, a
// private temporary folder, and module records with spectrum data.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "player/vis_plugin.h"

typedef std::vector<unsigned char> Bytes;

// Colour of pixel (x, y), y counted from the top row.
typedef std::function<COLORREF(int x, int y)> PixelFunction;
// Palette index of pixel (x, y), y counted from the top row.
typedef std::function<int(int x, int y)> IndexFunction;

// A pattern that tells pixels apart: red x, green y, blue x + y (low bytes).
COLORREF Gradient(int x, int y);

// size bytes of a fixed pseudo-random sequence for each seed.
std::string Junk(unsigned seed, size_t size);

// An uncompressed 24-bit BMP, stored bottom-up unless topDown.
Bytes Bmp24(int width, int height, const PixelFunction& pixel, bool topDown = false);

// An uncompressed 1-, 4- or 8-bit BMP with the given colour table.
Bytes BmpPaletted(int width, int height, int bitCount, const std::vector<RGBQUAD>& colours,
                  const IndexFunction& index);

// The 14-byte file header and a 40-byte info header, nothing else. The
// pixel offset is the end of the headers plus paletteBytes.
Bytes BmpHeaders(int width, int height, int bitCount, DWORD compression,
                 DWORD sizeImage = 0, DWORD clrUsed = 0, DWORD paletteBytes = 0);

void PutDword(Bytes* bytes, size_t at, DWORD value);
DWORD GetDword(const Bytes& bytes, size_t at);
void PutWord(Bytes* bytes, size_t at, WORD value);

// A path in this process's own temporary folder (made on first use, removed
// at exit).
std::string TempFile(const char* name);
void WriteBytes(const std::string& path, const Bytes& bytes);

// A record as the host fills it: two channels at 44.1 kHz, silence.
winampVisModule SilentModule();
