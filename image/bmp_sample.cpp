#include "image/bmp_sample.h"

#include "image/bmp_check.h"
#include "image/bmp_plain.h"

namespace {

// Bytes read at a time: a whole row of a main-window image, or several.
const DWORD kWindowSize = 4096;

// The bytes of one pixel, read through a window of the file that moves only
// when a pixel lies outside it.
class PixelReader {
public:
    explicit PixelReader(HANDLE file) : file(file), start(-1), length(0) {}

    const unsigned char* At(long long offset, DWORD size)
    {
        if (start < 0 || offset < start || offset + size > start + length) {
            start = offset;
            if (!ReadFileAt(file, offset, window, kWindowSize, &length) || length < size) {
                start = -1;
                return nullptr;
            }
        }
        return window + (offset - start);
    }

private:
    HANDLE file;
    long long start;
    DWORD length;
    unsigned char window[kWindowSize];
};

// The colour of pixel (x, y), or false when it cannot be read or names a
// colour the table lacks (what the loader makes of that is its own affair).
bool PixelColor(const PlainBitmapLayout& layout, PixelReader* reader, long long x, long long y,
                COLORREF* color)
{
    const long long row = layout.pixelOffset + (layout.height - 1 - y) * layout.rowBytes;
    const DWORD size = layout.bitCount >= 8 ? layout.bitCount / 8 : 1;
    const unsigned char* p = reader->At(row + x * layout.bitCount / 8, size);
    if (!p)
        return false;
    if (layout.bitCount > 8) {
        *color = RGB(p[2], p[1], p[0]);
        return true;
    }
    const unsigned shift = 8 - layout.bitCount - static_cast<unsigned>(x * layout.bitCount % 8);
    const unsigned index = (p[0] >> shift) & ((1u << layout.bitCount) - 1);
    if (index >= layout.colorCount)
        return false;
    const unsigned char* entry = layout.colorTable + 4 * index;
    *color = RGB(entry[2], entry[1], entry[0]);
    return true;
}

}  // namespace

int SampleBitmapFile(const char* fileName, const POINT* points, int count, COLORREF* colors)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;

    // The headers and the largest colour table in one read, which the bitmap
    // check then looks at.
    unsigned char head[kBmpPlainHeadSize];
    DWORD got = 0;
    LARGE_INTEGER size;
    PlainBitmapLayout layout = {};
    bool read = GetFileSizeEx(file, &size) && ReadFileAt(file, 0, head, sizeof(head), &got) &&
                BitmapHeadLooksSound(head, got, size.QuadPart) && ReadPlainLayout(head, got, &layout);
    PixelReader reader(file);
    for (int i = 0; read && i < count; ++i) {
        const long long x = points[i].x;
        const long long y = points[i].y;
        if (x < 0 || y < 0 || x >= layout.width || y >= layout.height)
            colors[i] = CLR_INVALID;
        else
            read = PixelColor(layout, &reader, x, y, &colors[i]);
    }
    CloseHandle(file);
    return read ? 1 : 0;
}
