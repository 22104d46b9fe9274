#include "tests/support/locator_fixtures.h"

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

void WriteBmp24File(const std::string& path, int width, int height, const LocatorPixel& pixel)
{
    const int stride = (width * 3 + 3) & ~3;
    const DWORD pixelBytes = static_cast<DWORD>(stride * height);
    std::vector<unsigned char> bytes(54 + pixelBytes, 0);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfSize = static_cast<DWORD>(bytes.size());
    file.bfOffBits = 54;
    BITMAPINFOHEADER info = {};
    info.biSize = 40;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = pixelBytes;
    memcpy(&bytes[0], &file, 14);
    memcpy(&bytes[14], &info, 40);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = &bytes[54 + static_cast<size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            COLORREF c = pixel(x, y);
            row[3 * x] = GetBValue(c);
            row[3 * x + 1] = GetGValue(c);
            row[3 * x + 2] = GetRValue(c);
        }
    }
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void WriteSolidBmp(const std::string& path, int width, int height, COLORREF colour)
{
    WriteBmp24File(path, width, height, [colour](int, int) { return colour; });
}

void WriteTextFile(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return;
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

std::string MakeTempFolder(const char* tag)
{
    static int serial = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%szelpin_%lu_%s_%d", temp, GetCurrentProcessId(), tag,
             ++serial);
    RemoveTree(name);
    CreateDirectoryA(name, NULL);
    return name;
}

void MakeFolder(const std::string& path)
{
    CreateDirectoryA(path.c_str(), NULL);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((path + "\\*").c_str(), &found);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(listing, &found));
        FindClose(listing);
    }
    RemoveDirectoryA(path.c_str());
}

std::string ExePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    return path;
}

std::string ExeFolder()
{
    std::string exe = ExePath();
    return exe.substr(0, exe.rfind('\\'));
}

std::string HostIniPath()
{
    std::string exe = ExePath();
    return exe.substr(0, exe.rfind('.')) + ".ini";
}

void WriteHostIni(const std::string& text)
{
    static int serial = 0;
    std::string path = HostIniPath();
    DeleteFileA(path.c_str());
    WriteTextFile(path, text);

    // 2001-01-01 plus a second per rewrite: never the same time twice.
    SYSTEMTIME base = {2001, 1, 1, 1, 0, 0, 0, 0};
    FILETIME ft;
    SystemTimeToFileTime(&base, &ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    t.QuadPart += static_cast<ULONGLONG>(++serial) * 10000000ULL;
    ft.dwLowDateTime = t.LowPart;
    ft.dwHighDateTime = t.HighPart;
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h != INVALID_HANDLE_VALUE) {
        SetFileTime(h, NULL, NULL, &ft);
        CloseHandle(h);
    }
}
