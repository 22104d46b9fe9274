#include "tests/support/vis_checks.h"

#include <sstream>

#include "host/window_pixels.h"

std::vector<unsigned char> Spectrum(unsigned char loud)
{
    std::vector<unsigned char> data(2 * 576, 0);
    for (int bin = 0; bin < 77; ++bin) data[bin] = data[576 + bin] = loud;
    return data;
}

Picture Plain(COLORREF colour)
{
    return [colour](int, int) { return colour; };
}

Picture Bars(COLORREF peak, COLORREF bar, const Picture& quiet)
{
    return [=](int x, int y) { return x >= kLoudColumns ? quiet(x, y) : y == 0 ? peak : bar; };
}

Picture Bars(COLORREF peak, COLORREF bar, COLORREF quiet)
{
    return Bars(peak, bar, Plain(quiet));
}

std::vector<COLORREF> VisArea(HWND window, int scale)
{
    std::vector<unsigned char> bgr;
    std::vector<COLORREF> colours;
    if (ReadWindowPixels(window, 24 * scale, 43 * scale, 76 * scale, 16 * scale, bgr))
        for (size_t i = 0; i + 2 < bgr.size(); i += 3)
            colours.push_back(RGB(bgr[i + 2], bgr[i + 1], bgr[i]));
    return colours;
}

int Differences(HWND window, const Picture& want, std::string* first, int scale)
{
    const int width = 76 * scale;
    std::vector<COLORREF> got = VisArea(window, scale);
    if (got.size() != static_cast<size_t>(width * 16 * scale)) return width * 16 * scale;
    int wrong = 0;
    std::ostringstream text;
    for (int y = 0; y < 16 * scale; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF expected = want(x / scale, y / scale);
            const COLORREF actual = got[y * width + x];
            if (expected != actual && ++wrong <= 3)
                text << "; pixel " << x << "," << y << " expected 0x" << std::hex << expected
                     << ", got 0x" << actual << std::dec;
        }
    }
    if (first) *first = text.str();
    return wrong;
}

bool Shows(HWND window, const Picture& want, const std::string& what, int scale)
{
    std::string first;
    const int wrong = Differences(window, want, &first, scale);
    EXPECT_EQ(0, wrong) << what << ": pixels differ" << first;
    return wrong == 0;
}

void FillVisArea(HWND window, COLORREF colour)
{
    HDC dc = GetDC(window);
    RECT area = {24, 43, 100, 59};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

void ExpectHealthy(HWND window, const winampVisModule* module, const std::string& what)
{
    if (window) {
        DWORD_PTR answer = 0;
        EXPECT_NE(0, SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer))
            << what << ": the host window does not answer";
    }
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < count && i < 256; ++i)
        EXPECT_TRUE(HeapValidate(heaps[i], 0, nullptr)) << what << ": heap " << i << " is damaged";
    if (module) {
        EXPECT_STREQ("ZELPIN", module->description) << what;
        EXPECT_TRUE(module->latencyMs == 15 && module->delayMs == 15 && module->spectrumNch == 2 &&
                    module->waveformNch == 0 && module->userData == nullptr && module->Config &&
                    module->Init && module->Render && module->Quit)
            << what << ": the module record was overwritten";
    }
}

void Frames(StandInHost& host, unsigned char loud, int times)
{
    std::vector<unsigned char> data = Spectrum(loud);
    for (int i = 0; i < times; ++i) host.RenderFrame(data.data());
}

void Settle(StandInHost& host)
{
    Frames(host, 255, 1);
    host.Repaint();
    Frames(host, 255, 2);
}
