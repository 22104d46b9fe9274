// A device-independent bitmap reachable both as memory rows and through its
// own memory drawing context. Rows are stored bottom-up.
#pragma once

#include <windows.h>

class DibSurface {
public:
    DibSurface();
    virtual ~DibSurface();
    virtual void Release();
    virtual BOOL DrawStretched(HDC targetDC, const RECT& rect);
    virtual BOOL DrawAt(HDC targetDC, int x, int y);

    int Create(int width, int height, unsigned char bitsPerPixel);
    int Load(const char* fileName, int cx, int cy);
    // Load at the image's own size and depth, for a caller that looks at rows
    // top..top + count - 1 (from the top) alone: from a plain file only
    // those rows are read, and the others hold zero bytes.
    int LoadRows(const char* fileName, int top, int count);

    BITMAPINFOHEADER* header;   // 40-byte header + 256-entry colour table
    unsigned char* pixels;
    RGBQUAD* palette;
    RECT bounds;
    int stride;
    HDC memDC;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;

    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

private:
    int LoadFile(const char* fileName, int cx, int cy, long long top, long long count);
    int AllocHeader();
    // These three need the header that AllocHeader made.
    void FillHeader(int width, int height, unsigned char bitsPerPixel);
    void SetBounds();
    void FillGreyPalette();
};
