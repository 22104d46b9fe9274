// The drawing calls of web/platform/windows.h on plain memory: DIB sections
// with their colour tables, memory drawing contexts, and the copies between
// them as the platform makes them (colours through the source's table,
// clipped to both bitmaps, 24 bits a pixel on the way out).
#include <windows.h>

#include <cstdlib>
#include <new>

struct MemoryBitmap {
    BITMAPINFOHEADER header;
    RGBQUAD table[256];
    unsigned tableEntries;
    int stride;
    unsigned char* bits;
};

struct MemoryDC {
    MemoryBitmap* selected;
};

namespace {

int RowBytes(LONG width, unsigned bitCount)
{
    return static_cast<int>((static_cast<long long>(width) * bitCount + 31) / 32 * 4);
}

// Row y from the top; rows are stored bottom-up.
unsigned char* Row(const MemoryBitmap* bitmap, int y)
{
    return bitmap->bits + static_cast<size_t>(bitmap->header.biHeight - 1 - y) * bitmap->stride;
}

COLORREF PixelAt(const MemoryBitmap* bitmap, int x, int y)
{
    const unsigned char* row = Row(bitmap, y);
    const unsigned bitCount = bitmap->header.biBitCount;
    if (bitCount > 8) {
        const unsigned char* p = row + x * (bitCount / 8);
        return RGB(p[2], p[1], p[0]);
    }
    const unsigned shift = 8 - bitCount - (x * bitCount) % 8;
    const unsigned index = (row[x * bitCount / 8] >> shift) & ((1u << bitCount) - 1);
    // An index the table lacks is drawn black.
    if (index >= bitmap->tableEntries) return RGB(0, 0, 0);
    const RGBQUAD& entry = bitmap->table[index];
    return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

bool Within(const MemoryBitmap* bitmap, int x, int y)
{
    return x >= 0 && y >= 0 && x < bitmap->header.biWidth && y < bitmap->header.biHeight;
}

}  // namespace

// Uncompressed bottom-up sections of 1, 4, 8, 24 or 32 bits a pixel: all the
// plug-in ever makes, and all its plain-file reader hands over.
HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD)
{
    *bits = nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const unsigned bitCount = h.biBitCount;
    const bool depthKnown = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 ||
                            bitCount == 32;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight <= 0 || !depthKnown ||
        h.biCompression != BI_RGB || h.biWidth > 16384 || h.biHeight > 16384)
        return nullptr;
    MemoryBitmap* bitmap = new (std::nothrow) MemoryBitmap();
    if (!bitmap) return nullptr;
    bitmap->header = h;
    bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
    if (bitCount <= 8) {
        const unsigned most = 1u << bitCount;
        bitmap->tableEntries = h.biClrUsed != 0 && h.biClrUsed < most ? h.biClrUsed : most;
        std::memcpy(bitmap->table, reinterpret_cast<const unsigned char*>(info) + h.biSize,
                    bitmap->tableEntries * sizeof(RGBQUAD));
    }
    bitmap->stride = RowBytes(h.biWidth, bitCount);
    bitmap->bits = static_cast<unsigned char*>(
        std::calloc(static_cast<size_t>(bitmap->stride) * h.biHeight, 1));
    if (!bitmap->bits) {
        delete bitmap;
        return nullptr;
    }
    *bits = bitmap->bits;
    return bitmap;
}

HDC CreateCompatibleDC(HDC)
{
    return new (std::nothrow) MemoryDC();
}

// Only bitmaps are ever selected.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    MemoryBitmap* old = dc->selected;
    dc->selected = static_cast<MemoryBitmap*>(object);
    return old;
}

BOOL DeleteDC(HDC dc)
{
    delete dc;
    return TRUE;
}

BOOL DeleteObject(HGDIOBJ object)
{
    MemoryBitmap* bitmap = static_cast<MemoryBitmap*>(object);
    if (!bitmap) return FALSE;
    std::free(bitmap->bits);
    delete bitmap;
    return TRUE;
}

int GetObjectA(HANDLE object, int size, void* out)
{
    const MemoryBitmap* bitmap = static_cast<const MemoryBitmap*>(object);
    if (!bitmap || size < static_cast<int>(sizeof(DIBSECTION))) return 0;
    DIBSECTION section = {};
    section.dsBm.bmWidth = bitmap->header.biWidth;
    section.dsBm.bmHeight = bitmap->header.biHeight;
    section.dsBm.bmWidthBytes = bitmap->stride;
    section.dsBm.bmPlanes = 1;
    section.dsBm.bmBitsPixel = bitmap->header.biBitCount;
    section.dsBm.bmBits = bitmap->bits;
    section.dsBmih = bitmap->header;
    std::memcpy(out, &section, sizeof(section));
    return sizeof(section);
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors)
{
    const MemoryBitmap* bitmap = dc->selected;
    if (!bitmap || start >= bitmap->tableEntries) return 0;
    const UINT n = bitmap->tableEntries - start < count ? bitmap->tableEntries - start : count;
    std::memcpy(colors, bitmap->table + start, n * sizeof(RGBQUAD));
    return n;
}

// Every pixel that lies in both bitmaps is copied; the rest of the target
// stays as it was. The target is 24 bits a pixel, as all the plug-in's are.
BOOL BitBlt(HDC to, int x, int y, int width, int height, HDC from, int fromX, int fromY, DWORD)
{
    const MemoryBitmap* source = from->selected;
    MemoryBitmap* target = to->selected;
    if (!source || !target || target->header.biBitCount != 24) return FALSE;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            if (!Within(source, fromX + i, fromY + j) || !Within(target, x + i, y + j)) continue;
            const COLORREF c = PixelAt(source, fromX + i, fromY + j);
            unsigned char* p = Row(target, y + j) + 3 * (x + i);
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    return TRUE;
}

// The page scales on its canvas; nothing here draws stretched.
BOOL StretchBlt(HDC, int, int, int, int, HDC, int, int, int, int, DWORD)
{
    return FALSE;
}

// Only BLACKNESS is asked for.
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD)
{
    MemoryBitmap* target = dc->selected;
    if (!target || target->header.biBitCount != 24) return FALSE;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            if (Within(target, x + i, y + j)) std::memset(Row(target, y + j) + 3 * (x + i), 0, 3);
    return TRUE;
}

// Every call above has finished when it returns.
BOOL GdiFlush()
{
    return TRUE;
}

// The page has no resources and no loader of its own: a file that is not
// plain is not read (the page says so).
HANDLE LoadImageA(HINSTANCE, const char*, UINT, int, int, UINT)
{
    return nullptr;
}

HMODULE GetModuleHandleA(const char*)
{
    return nullptr;
}

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom)
{
    *rect = {left, top, right, bottom};
    return TRUE;
}

HANDLE GlobalAlloc(UINT, SIZE_T bytes)
{
    return std::malloc(bytes);
}

HANDLE GlobalFree(HANDLE block)
{
    std::free(block);
    return nullptr;
}
