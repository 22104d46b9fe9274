#include "image/bmp_sample.h"

#include "image/bmp_check.h"
#include "image/bmp_format.h"

namespace {

const unsigned kMaxColors = 256;
// Bytes read at a time: a whole row of a main-window image, or several.
const DWORD kWindowSize = 4096;

// A seek and a plain read: on some platforms a read at an offset given with
// the call goes a much slower way.
bool ReadAt(HANDLE file, long long offset, unsigned char* buffer, DWORD size, DWORD* got)
{
    LARGE_INTEGER at;
    at.QuadPart = offset;
    *got = 0;
    return SetFilePointerEx(file, at, NULL, FILE_BEGIN) && ReadFile(file, buffer, size, got, NULL);
}

// What the headers say about where each pixel lies and what it means.
struct Layout {
    long long width;
    long long height;
    unsigned bitCount;
    long long pixelOffset;
    long long rowBytes;
    unsigned colorCount;   // entries of the colour table a pixel may name
    const unsigned char* colorTable;
};

// Only the plain kinds qualify: headers of 40 bytes or more (the 12-byte core
// header has 3-byte colours), no compression and no bit fields, bottom-up
// rows, a stated pixel offset, and a colour table within what was read.
bool ReadLayout(const unsigned char* head, DWORD got, Layout* layout)
{
    if (got < kBmpFileHeaderSize + kBmpInfoHeaderSize || head[0] != 'B' || head[1] != 'M')
        return false;
    const unsigned char* info = head + kBmpFileHeaderSize;
    const DWORD infoSize = BmpDword(info);
    if (infoSize < kBmpInfoHeaderSize || infoSize > kBmpV5HeaderSize || got < kBmpFileHeaderSize + infoSize)
        return false;
    layout->width = static_cast<LONG>(BmpDword(info + 4));
    layout->height = static_cast<LONG>(BmpDword(info + 8));
    layout->bitCount = BmpWord(info + 14);
    layout->pixelOffset = BmpDword(head + 10);
    const DWORD colorsUsed = BmpDword(info + 32);
    if (layout->width <= 0 || layout->height <= 0 || BmpWord(info + 12) != 1 ||
        BmpDword(info + 16) != BI_RGB || layout->pixelOffset == 0 || colorsUsed > kMaxColors)
        return false;
    switch (layout->bitCount) {
    case 1:
    case 4:
    case 8: {
        const unsigned entries = 1u << layout->bitCount;
        layout->colorCount = colorsUsed != 0 && colorsUsed < entries ? colorsUsed : entries;
        const unsigned tableBytes = (colorsUsed != 0 ? colorsUsed : entries) * 4;
        if (got < kBmpFileHeaderSize + infoSize + tableBytes)
            return false;
        break;
    }
    case 24:
    case 32:
        layout->colorCount = 0;
        break;
    default:
        return false;
    }
    layout->colorTable = info + infoSize;
    layout->rowBytes = (layout->width * layout->bitCount + 31) / 32 * 4;
    return true;
}

// The bytes of one pixel, read through a window of the file that moves only
// when a pixel lies outside it.
class PixelReader {
public:
    explicit PixelReader(HANDLE file) : file(file), start(-1), length(0) {}

    const unsigned char* At(long long offset, DWORD size)
    {
        if (start < 0 || offset < start || offset + size > start + length) {
            start = offset;
            if (!ReadAt(file, offset, window, kWindowSize, &length) || length < size) {
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
bool PixelColor(const Layout& layout, PixelReader* reader, long long x, long long y,
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
    unsigned char head[kBmpFileHeaderSize + kBmpV5HeaderSize + kMaxColors * 4];
    DWORD got = 0;
    LARGE_INTEGER size;
    Layout layout = {};
    bool read = GetFileSizeEx(file, &size) && ReadAt(file, 0, head, sizeof(head), &got) &&
                BitmapHeadLooksSound(head, got, size.QuadPart) && ReadLayout(head, got, &layout);
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
