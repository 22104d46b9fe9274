// The stand-in host's main window: its class and thread, painting the skin
// at normal or double size or shaded, the messages it answers, and the
// requests other threads make of it.
#include "host/stand_in_host_impl.h"

namespace {

const char kClassName[] = "ZelpinStandInHost";
const int kShadedHeight = 14;
const COLORREF kGrey = RGB(128, 128, 128);

}  // namespace

void StandInHost::Impl::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH grey = CreateSolidBrush(kGrey);
    FillRect(dc, &client, grey);
    DeleteObject(grey);
    if (skinBitmap) {
        const int scale = doubleSize ? 2 : 1;
        const int rows = shaded ? kShadedHeight : kMainWindowHeight;
        const int w = skinSize.cx < kMainWindowWidth ? skinSize.cx : kMainWindowWidth;
        const int h = skinSize.cy < rows ? skinSize.cy : rows;
        HDC memDC = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memDC, skinBitmap);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, w * scale, h * scale, memDC, 0, 0, w, h, SRCCOPY);
        SelectObject(memDC, old);
        DeleteDC(memDC);
    }
    EndPaint(window, &ps);
}

// SetWindowPos sends WM_SIZE to the window, as the player's own resize does.
void StandInHost::Impl::Resize()
{
    const int scale = doubleSize ? 2 : 1;
    const int rows = shaded ? kShadedHeight : kMainWindowHeight;
    SetWindowPos(window, nullptr, 0, 0, kMainWindowWidth * scale, rows * scale,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

LRESULT CALLBACK StandInHost::Impl::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Impl* impl = reinterpret_cast<Impl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        impl = static_cast<Impl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
        impl->window = hwnd;
    }
    if (!impl) return DefWindowProcA(hwnd, message, wParam, lParam);
    impl->Record(message, wParam, lParam);

    switch (message) {
    case WM_USER:
        if (lParam == IPC_GETVERSION) return impl->options.version;
        if (lParam == IPC_GETSKIN) return impl->AnswerGetSkin(wParam);
        return 0;
    case WM_COPYDATA:
        return TRUE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        impl->Paint();
        return 0;
    case kSwitchSkin:
        impl->UseSkin(*reinterpret_cast<const std::string*>(lParam));
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        return 0;
    case kSetDouble:
        impl->doubleSize = wParam != 0;
        impl->Resize();
        return 0;
    case kSetShaded:
        impl->shaded = wParam != 0;
        impl->Resize();
        return 0;
    case kRepaint:
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        return 0;
    case kRun:
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    case kClose:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        impl->window = nullptr;
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

DWORD WINAPI StandInHost::Impl::WindowThread(void* param)
{
    Impl* impl = static_cast<Impl*>(param);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);   // an earlier host in this process may have registered it

    impl->UseSkin(impl->options.skin);
    // The window's instance is the executable's, so the plug-in finds the
    // host's path (and from it the ini) through the window.
    HWND hwnd = CreateWindowExA(0, kClassName, "ZELPIN stand-in host", WS_POPUP,
                                40, 40, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, impl);
    if (hwnd) {
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);
    }
    SetEvent(impl->windowReady);
    if (hwnd) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (impl->skinBitmap) DeleteObject(impl->skinBitmap);
    impl->skinBitmap = nullptr;
    return 0;
}

void StandInHost::SwitchSkin(const std::string& skin)
{
    if (impl->window) SendMessageA(impl->window, kSwitchSkin, 0, reinterpret_cast<LPARAM>(&skin));
}

void StandInHost::SetDoubleSize(bool on)
{
    if (impl->window) SendMessageA(impl->window, kSetDouble, on, 0);
}

void StandInHost::SetShaded(bool on)
{
    if (impl->window) SendMessageA(impl->window, kSetShaded, on, 0);
}

void StandInHost::Repaint()
{
    if (impl->window) SendMessageA(impl->window, kRepaint, 0, 0);
}

void StandInHost::OnWindowThread(const std::function<void()>& work)
{
    if (impl->window) SendMessageA(impl->window, kRun, 0, reinterpret_cast<LPARAM>(&work));
}
