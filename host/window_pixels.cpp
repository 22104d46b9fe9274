#include "host/window_pixels.h"

#include <cstring>

#include "player/main_window.h"

bool ReadWindowPixels(HWND window, int x, int y, int w, int h,
                      std::vector<unsigned char>& bgr)
{
    if (w <= 0 || h <= 0) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;   // top-down, so rows come out in screen order
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;

    HDC windowDC = GetDC(window);
    if (!windowDC) return false;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memDC = CreateCompatibleDC(windowDC);
    bool ok = dib && memDC;
    if (ok) {
        HGDIOBJ old = SelectObject(memDC, dib);
        ok = BitBlt(memDC, 0, 0, w, h, windowDC, x, y, SRCCOPY) != 0;
        GdiFlush();
        if (ok) {
            const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t(3);
            const size_t row = static_cast<size_t>(w) * 3;
            bgr.resize(row * h);
            for (int r = 0; r < h; ++r)
                std::memcpy(bgr.data() + r * row, static_cast<unsigned char*>(bits) + r * stride, row);
        }
        SelectObject(memDC, old);
    }
    if (memDC) DeleteDC(memDC);
    if (dib) DeleteObject(dib);
    ReleaseDC(window, windowDC);
    return ok;
}

bool VisAreaRect(HWND window, RECT& area)
{
    RECT r;
    if (!GetWindowRect(window, &r) || r.bottom - r.top < kMainWindowHeight) return false;
    const int scale = r.right - r.left > kMainWindowWidth ? 2 : 1;
    SetRect(&area, scale * kVisLeft, scale * kVisTop, scale * (kVisLeft + kVisWidth),
            scale * (kVisTop + kVisHeight));
    return true;
}
