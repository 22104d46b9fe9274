#include "tests/support/locator_fixtures.h"
#include "tests/support/skin_files.h"

#include "skin/skin_locator.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kClassName[] = "ZelpinLocatorFakeHost";

void RegisterOnce(WNDPROC proc)
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = kClassName;
    registered = RegisterClassA(&wc) != 0;
}

void PumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

FakeHost::FakeHost(int width, int height)
    : hwnd(NULL), version(0), skinName(nullptr), image(NULL)
{
    RegisterOnce(Proc);
    hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0,
                           width, height, NULL, NULL, GetModuleHandleA(NULL), this);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    Repaint();
}

FakeHost::~FakeHost()
{
    Destroy();
    if (image)
        DeleteObject(image);
}

void FakeHost::Destroy()
{
    if (hwnd)
        DestroyWindow(hwnd);
    hwnd = NULL;
    PumpPending();
}

void FakeHost::Resize(int width, int height)
{
    SetWindowPos(hwnd, NULL, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
}

void FakeHost::Show(const std::string& bmpFile)
{
    if (image)
        DeleteObject(image);
    image = NULL;
    if (!bmpFile.empty())
        image = static_cast<HBITMAP>(LoadImageA(NULL, bmpFile.c_str(), IMAGE_BITMAP, 0, 0,
                                                LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    Repaint();
}

void FakeHost::Repaint()
{
    PumpPending();
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    GdiFlush();
}

LRESULT CALLBACK FakeHost::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    FakeHost* self = reinterpret_cast<FakeHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);

    if (message == WM_USER && lParam == 0)
        return self->version;
    if (message == WM_USER && lParam == 201) {
        memcpy(reinterpret_cast<char*>(wParam), self->pathBytes.data(), self->pathBytes.size());
        return reinterpret_cast<LRESULT>(self->skinName);
    }
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        if (self->image) {
            BITMAP bm;
            GetObjectA(self->image, sizeof bm, &bm);
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, self->image);
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, bm.bmWidth,
                       bm.bmHeight, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        } else {
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void WriteSolidBmp(const std::string& path, int width, int height, COLORREF colour)
{
    WriteBmp24(path, width, height, [colour](int, int) { return colour; });
}

std::string HostIniPath()
{
    std::string exe = ExePath();
    return exe.substr(0, exe.rfind('.')) + ".ini";
}

void WriteHostIni(const std::string& text)
{
    WriteTextFile(HostIniPath(), text);
}

std::string Ask(SkinLocator& loc)
{
    char path[MAX_PATH] = "(unset)";
    char name[MAX_PATH] = "(unset)";
    const int length = loc.GetCurrentSkin(path, name);
    return std::to_string(length) + "|" + path + "|" + name;
}
