#include "image/dib_surface.h"

#include <climits>

#include "image/bmp_check.h"
#include "image/bmp_plain.h"

namespace {

// BITMAPINFOHEADER followed by a full 256-entry colour table.
const SIZE_T kHeaderBlockSize = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);

// A memory drawing context compatible with the screen. A null reference
// context means the screen; taking the screen's own context for it costs ten
// times as much on some platforms.
HDC CreateScreenCompatibleDC()
{
    return CreateCompatibleDC(NULL);
}

// A section with the pixels the platform's loader makes from a plain file:
// the first 40 bytes of its info header and its colour table, then its rows
// as they stand; of them only rows top..top + count - 1 from the top are
// read. A larger (V4 or V5) header adds nothing to an uncompressed image but
// a colour space, which GDI may take from the header it is given, and a V5
// header names its colour profile by an offset from itself: from a copy, an
// offset to anywhere.
HBITMAP ReadPlainBitmap(HANDLE file, const PlainBitmapLayout& layout, long long top, long long count)
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD table[256];
    } info;
    CopyMemory(&info.header, layout.info, sizeof(BITMAPINFOHEADER));
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    CopyMemory(info.table, layout.colorTable, layout.tableEntries * sizeof(RGBQUAD));
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(NULL, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      &bits, NULL, 0);
    if (!bitmap)
        return NULL;
    const long long first = top > 0 ? top : 0;
    const long long end = count < layout.height - first ? first + count : layout.height;
    if (end <= first)
        return bitmap;
    // Rows are stored bottom-up: the last row wanted comes first in the file.
    const long long at = (layout.height - end) * layout.rowBytes;
    const DWORD size = static_cast<DWORD>((end - first) * layout.rowBytes);
    DWORD got = 0;
    if (!ReadFileAt(file, layout.pixelOffset + at, static_cast<unsigned char*>(bits) + at, size, &got) ||
        got != size) {
        DeleteObject(bitmap);
        return NULL;
    }
    return bitmap;
}

// Reads the file once: a plain one straight into a section; any other goes to
// the platform's loader, which may take the process down on a damaged file,
// so only when its headers and size add up.
HBITMAP LoadBitmapFile(const char* fileName, int cx, int cy, long long top, long long count)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    unsigned char head[kBmpPlainHeadSize];
    DWORD got = 0;
    LARGE_INTEGER size;
    PlainBitmapLayout layout;
    const bool sound = GetFileSizeEx(file, &size) && ReadFile(file, head, sizeof(head), &got, NULL) &&
                       BitmapHeadLooksSound(head, got, size.QuadPart);
    // Asked for another size, the loader scales the image.
    const bool plain = sound && cx == 0 && cy == 0 && ReadPlainLayout(head, got, &layout);
    HBITMAP bitmap = plain ? ReadPlainBitmap(file, layout, top, count) : NULL;
    CloseHandle(file);
    if (sound && !plain)
        bitmap = static_cast<HBITMAP>(LoadImageA(NULL, fileName, IMAGE_BITMAP, cx, cy,
                                                 LR_CREATEDIBSECTION | LR_LOADFROMFILE));
    return bitmap;
}

}  // namespace

DibSurface::DibSurface()
    : header(NULL), pixels(NULL), palette(NULL), bounds(), stride(0),
      memDC(NULL), bitmap(NULL), oldBitmap(NULL)
{
}

DibSurface::~DibSurface()
{
    Release();
}

void DibSurface::Release()
{
    // The bitmap is put back out of the drawing context before either goes.
    if (memDC) {
        SelectObject(memDC, oldBitmap);
        oldBitmap = NULL;
        DeleteDC(memDC);
        memDC = NULL;
    }
    if (bitmap) {
        DeleteObject(bitmap);
        bitmap = NULL;
        pixels = NULL;
    }
    if (header) {
        GlobalFree(header);
        header = NULL;
        palette = NULL;
    }
}

BOOL DibSurface::DrawStretched(HDC targetDC, const RECT& rect)
{
    if (!header)
        return FALSE;
    return StretchBlt(targetDC, rect.left, rect.top, rect.right - rect.left,
                      rect.bottom - rect.top, memDC, 0, 0, header->biWidth,
                      header->biHeight, SRCCOPY);
}

BOOL DibSurface::DrawAt(HDC targetDC, int x, int y)
{
    if (!header)
        return FALSE;
    return BitBlt(targetDC, x, y, header->biWidth, header->biHeight, memDC, 0, 0,
                  SRCCOPY);
}

int DibSurface::Create(int width, int height, unsigned char bitsPerPixel)
{
    Release();
    if (!AllocHeader())
        return 0;
    FillHeader(width, height, bitsPerPixel);
    SetBounds();
    FillGreyPalette();

    // Colours given as RGB values need no drawing context.
    void* bits = NULL;
    bitmap = CreateDIBSection(NULL, reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS,
                              &bits, NULL, 0);
    pixels = static_cast<unsigned char*>(bits);
    memDC = CreateScreenCompatibleDC();
    if (!bitmap || !memDC) {
        Release();
        return 0;
    }

    DIBSECTION section;
    GetObjectA(bitmap, sizeof(section), &section);
    stride = section.dsBm.bmWidthBytes;
    oldBitmap = SelectObject(memDC, bitmap);
    return 1;
}

int DibSurface::Load(const char* fileName, int cx, int cy)
{
    return LoadFile(fileName, cx, cy, 0, LLONG_MAX);
}

int DibSurface::LoadRows(const char* fileName, int top, int count)
{
    return LoadFile(fileName, 0, 0, top, count);
}

int DibSurface::LoadFile(const char* fileName, int cx, int cy, long long top, long long count)
{
    Release();
    bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(NULL), fileName,
                                             IMAGE_BITMAP, cx, cy,
                                             LR_CREATEDIBSECTION));
    if (!bitmap)
        bitmap = LoadBitmapFile(fileName, cx, cy, top, count);
    if (!bitmap)
        return 0;

    DIBSECTION section;
    GetObjectA(bitmap, sizeof(section), &section);
    if (!AllocHeader())
        return 0;
    CopyMemory(header, &section.dsBmih, sizeof(BITMAPINFOHEADER));
    pixels = static_cast<unsigned char*>(section.dsBm.bmBits);
    stride = section.dsBm.bmWidthBytes;

    memDC = CreateScreenCompatibleDC();
    if (!memDC) {
        Release();
        return 0;
    }
    oldBitmap = SelectObject(memDC, bitmap);
    GetDIBColorTable(memDC, 0, 256, palette);
    return 1;
}

// Create and Load release the surface first, so no header is held here.
int DibSurface::AllocHeader()
{
    palette = NULL;
    header = static_cast<BITMAPINFOHEADER*>(GlobalAlloc(GMEM_FIXED, kHeaderBlockSize));
    if (!header)
        return 0;
    palette = reinterpret_cast<RGBQUAD*>(header + 1);
    ZeroMemory(header, kHeaderBlockSize);
    return 1;
}

void DibSurface::FillHeader(int width, int height, unsigned char bitsPerPixel)
{
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = bitsPerPixel;
    header->biCompression = BI_RGB;
    header->biSizeImage = 0;
    header->biXPelsPerMeter = 0;
    header->biYPelsPerMeter = 0;
    header->biClrUsed = 0;
    header->biClrImportant = 0;
}

void DibSurface::SetBounds()
{
    SetRect(&bounds, 0, 0, header->biWidth, header->biHeight);
}

void DibSurface::FillGreyPalette()
{
    for (int i = 0; i < 256; ++i) {
        palette[i].rgbBlue = static_cast<BYTE>(i);
        palette[i].rgbGreen = static_cast<BYTE>(i);
        palette[i].rgbRed = static_cast<BYTE>(i);
        palette[i].rgbReserved = 0;
    }
}
