#include "host/stand_in_host.h"

#include <mmsystem.h>
#include <atomic>
#include <cstring>
#include <list>
#include <map>
#include <utility>

#include "host/bmp_file.h"
#include "host/capture_file.h"
#include "host/frame_source.h"
#include "host/window_pixels.h"

namespace {

const char kClassName[] = "ZelpinStandInHost";
const int kWidth = 275;
const int kHeight = 116;
const int kShadedHeight = 14;
const COLORREF kGrey = RGB(128, 128, 128);

// Requests that other threads make of the window thread.
enum : UINT {
    kSwitchSkin = WM_APP + 1,   // lParam: const std::string* skin name
    kSetDouble,                 // wParam: on
    kSetShaded,                 // wParam: on
    kRepaint,
    kClose,
};

std::string ExecutablePath()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The executable's path with its extension replaced by ".ini", as the
// player names its own ini file.
std::string IniPathFor(const std::string& exePath)
{
    size_t slash = exePath.find_last_of('\\');
    size_t dot = exePath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return exePath + ".ini";
    return exePath.substr(0, dot) + ".ini";
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    std::string result = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
    while (result.size() > 3 && result.back() == '\\') result.pop_back();
    return result;
}

// Finds the skin's main bitmap whatever the letter case of its name, and
// loads it only when the file is complete.
HBITMAP LoadMainBitmap(const std::string& skinPath, SIZE& size)
{
    if (skinPath.empty()) return nullptr;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((skinPath + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    std::string file;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            lstrcmpiA(found.cFileName, "main.bmp") == 0)
            file = skinPath + "\\" + found.cFileName;
    } while (file.empty() && FindNextFileA(search, &found));
    FindClose(search);
    if (file.empty() || file.size() >= MAX_PATH || !BmpFileIsSound(file)) return nullptr;

    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0,
                                                     LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    BITMAP info;
    if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return bitmap;
}

}  // namespace

struct StandInHost::Impl {
    Options options;
    std::string exeDir;
    std::string iniPath;
    std::string skinsFolder;

    HANDLE windowThread = nullptr;
    HANDLE windowReady = nullptr;
    std::atomic<HWND> window{nullptr};   // set and cleared on the window thread

    // Touched on the window thread only.
    std::list<std::string> skinNames;   // IPC_GETSKIN answers stay readable while the host lives
    const char* skinName = "";
    std::string skinPath;
    HBITMAP skinBitmap = nullptr;
    SIZE skinSize = {0, 0};
    bool doubleSize = false;
    bool shaded = false;

    mutable CRITICAL_SECTION lock;   // guards what the window thread records
    std::map<std::pair<UINT, WPARAM>, long> seen;
    std::map<std::pair<UINT, LPARAM>, long> firstArrival;
    long arrivals = 0;
    std::vector<unsigned char> lastCopyData;
    ULONG_PTR lastCopyCode = 0;

    HMODULE library = nullptr;
    winampVisModule* module = nullptr;
    bool initSucceeded = false;

    HANDLE loopThread = nullptr;
    std::atomic<bool> stopLoop{false};
    std::atomic<long> framesRendered{0};
    FrameSource source;
    CaptureFile capture;
    int fps = 60;

    Impl() { InitializeCriticalSection(&lock); }
    ~Impl() { DeleteCriticalSection(&lock); }

    bool WriteIni() const;
    void UseSkin(const std::string& name);
    LRESULT AnswerGetSkin(WPARAM buffer) const;
    void Paint();
    void Resize();
    void Record(UINT message, WPARAM wParam, LPARAM lParam);
    void FrameLoop();

    static DWORD WINAPI WindowThread(void* param);
    static DWORD WINAPI LoopThread(void* param);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Written afresh with a write time that differs from the previous one:
// some profile readers cache an ini file by its write time.
bool StandInHost::Impl::WriteIni() const
{
    WIN32_FILE_ATTRIBUTE_DATA before;
    bool existed = GetFileAttributesExA(iniPath.c_str(), GetFileExInfoStandard, &before) != 0;
    std::string text = "[Winamp]\r\nSkinDir=" + skinsFolder + "\r\n";
    HANDLE file = CreateFileA(iniPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    FILETIME after;
    if (ok && existed && GetFileTime(file, nullptr, nullptr, &after) &&
        CompareFileTime(&after, &before.ftLastWriteTime) <= 0) {
        ULARGE_INTEGER t;
        t.LowPart = before.ftLastWriteTime.dwLowDateTime;
        t.HighPart = before.ftLastWriteTime.dwHighDateTime;
        t.QuadPart += 10000000;   // one second later
        after.dwLowDateTime = t.LowPart;
        after.dwHighDateTime = t.HighPart;
        SetFileTime(file, nullptr, nullptr, &after);
    }
    CloseHandle(file);
    return ok;
}

void StandInHost::Impl::UseSkin(const std::string& name)
{
    skinPath = name.empty() ? std::string() : skinsFolder + "\\" + name;
    const std::string* kept = nullptr;
    for (const std::string& known : skinNames)
        if (known == name) kept = &known;
    if (!kept) {
        skinNames.push_back(name);
        kept = &skinNames.back();
    }
    skinName = kept->c_str();
    if (skinBitmap) DeleteObject(skinBitmap);
    skinSize.cx = skinSize.cy = 0;
    skinBitmap = LoadMainBitmap(skinPath, skinSize);
}

// IPC_GETSKIN: the skin folder's full path into the caller's 260-character
// buffer (empty when it would not fit), the skin name's address as answer.
LRESULT StandInHost::Impl::AnswerGetSkin(WPARAM buffer) const
{
    char* out = reinterpret_cast<char*>(buffer);
    if (out) {
        if (skinPath.size() < MAX_PATH)
            std::memcpy(out, skinPath.c_str(), skinPath.size() + 1);
        else
            out[0] = '\0';
    }
    return options.getSkinAnswersNull ? 0 : reinterpret_cast<LRESULT>(skinName);
}

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
        const int rows = shaded ? kShadedHeight : kHeight;
        const int w = skinSize.cx < kWidth ? skinSize.cx : kWidth;
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
    const int rows = shaded ? kShadedHeight : kHeight;
    SetWindowPos(window, nullptr, 0, 0, kWidth * scale, rows * scale,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void StandInHost::Impl::Record(UINT message, WPARAM wParam, LPARAM lParam)
{
    EnterCriticalSection(&lock);
    ++seen[std::make_pair(message, wParam)];
    firstArrival.emplace(std::make_pair(message, lParam), ++arrivals);
    if (message == WM_COPYDATA && lParam) {
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const unsigned char* bytes = static_cast<const unsigned char*>(data->lpData);
        lastCopyCode = data->dwData;
        lastCopyData.assign(bytes, bytes + (bytes ? data->cbData : 0));
    }
    LeaveCriticalSection(&lock);
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
                                40, 40, kWidth, kHeight, nullptr, nullptr, instance, impl);
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

DWORD WINAPI StandInHost::Impl::LoopThread(void* param)
{
    static_cast<Impl*>(param)->FrameLoop();
    return 0;
}

// Frames are taken by the clock, so a late Render skips ahead rather than
// slowing the music down.
void StandInHost::Impl::FrameLoop()
{
    timeBeginPeriod(1);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::vector<unsigned char> pixels;
    while (!stopLoop.load()) {
        QueryPerformanceCounter(&now);
        const LONGLONG slot = (now.QuadPart - start.QuadPart) * fps / frequency.QuadPart;
        module->sRate = 44100;
        module->nCh = 2;
        source.Fill(static_cast<long>(slot), module->spectrumData);
        module->Render(module);
        ++framesRendered;

        RECT area;
        if (capture.IsOpen() && VisAreaRect(window, area) &&
            ReadWindowPixels(window, area.left, area.top, area.right - area.left,
                             area.bottom - area.top, pixels))
            capture.WriteFrame(static_cast<unsigned long>(slot), area.right - area.left,
                               area.bottom - area.top, pixels);

        const LONGLONG next = start.QuadPart + (slot + 1) * frequency.QuadPart / fps;
        QueryPerformanceCounter(&now);
        if (now.QuadPart < next)
            Sleep(static_cast<DWORD>((next - now.QuadPart) * 1000 / frequency.QuadPart + 1));
    }
    capture.Close();
    timeEndPeriod(1);
}

StandInHost::StandInHost() : impl(new Impl) {}

StandInHost::~StandInHost()
{
    StopFrameLoop();
    if (impl->library) UnloadPlugin(impl->initSucceeded);
    if (impl->window) SendMessageA(impl->window, kClose, 0, 0);
    if (impl->windowThread) {
        WaitForSingleObject(impl->windowThread, INFINITE);
        CloseHandle(impl->windowThread);
    }
    delete impl;
}

bool StandInHost::Open(const Options& options)
{
    if (impl->windowThread) return false;
    impl->options = options;
    const std::string exePath = ExecutablePath();
    impl->exeDir = FolderOf(exePath);
    impl->iniPath = IniPathFor(exePath);
    impl->skinsFolder = options.skinsFolder.empty() ? impl->exeDir + "\\Skins"
                                                    : FullPath(options.skinsFolder);
    CreateDirectoryA(impl->skinsFolder.c_str(), nullptr);
    if (exePath.empty() || !impl->WriteIni()) return false;

    impl->windowReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!impl->windowReady) return false;
    impl->windowThread = CreateThread(nullptr, 0, Impl::WindowThread, impl, 0, nullptr);
    if (impl->windowThread) WaitForSingleObject(impl->windowReady, INFINITE);
    CloseHandle(impl->windowReady);
    impl->windowReady = nullptr;
    return impl->window != nullptr;
}

HWND StandInHost::Window() const
{
    return impl->window;
}

std::string StandInHost::IniPath() const
{
    return impl->iniPath;
}

std::string StandInHost::SkinsFolder() const
{
    return impl->skinsFolder;
}

int StandInHost::LoadPlugin()
{
    if (impl->library || !impl->window) return -1;
    const std::string path = impl->options.pluginPath.empty()
        ? impl->exeDir + "\\Plugins\\vis_zelpin.dll" : impl->options.pluginPath;
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library) return -1;
    winampVisGetHeaderType getHeader = reinterpret_cast<winampVisGetHeaderType>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "winampVisGetHeader")));
    winampVisHeader* header = getHeader ? getHeader() : nullptr;
    winampVisModule* module = header && header->getModule ? header->getModule(0) : nullptr;
    if (!module || !module->Init || !module->Render) {
        FreeLibrary(library);
        return -1;
    }
    module->hwndParent = impl->window;
    module->hDllInstance = library;
    impl->library = library;
    impl->module = module;
    int result = module->Init(module);
    impl->initSucceeded = result == 0;
    return result;
}

winampVisModule* StandInHost::Module() const
{
    return impl->module;
}

HMODULE StandInHost::Library() const
{
    return impl->library;
}

void StandInHost::UnloadPlugin(bool callQuit)
{
    StopFrameLoop();
    if (!impl->library) return;
    if (callQuit && impl->module->Quit) impl->module->Quit(impl->module);
    FreeLibrary(impl->library);
    impl->library = nullptr;
    impl->module = nullptr;
    impl->initSucceeded = false;
}

int StandInHost::RenderFrame(const unsigned char* spectrum, int sRate, int nCh)
{
    winampVisModule* module = impl->module;
    if (!module) return -1;
    module->sRate = sRate;
    module->nCh = nCh;
    if (spectrum)
        std::memcpy(module->spectrumData, spectrum, sizeof module->spectrumData);
    else
        std::memset(module->spectrumData, 0, sizeof module->spectrumData);
    return module->Render(module);
}

bool StandInHost::StartFrameLoop(const std::string& framesFile, int fps,
                                 const std::string& captureFile)
{
    if (!impl->module || impl->loopThread || fps <= 0 || fps > 1000) return false;
    impl->source = FrameSource();
    if (!framesFile.empty() && !impl->source.Load(framesFile)) return false;
    if (!captureFile.empty() && !impl->capture.Open(captureFile, fps)) return false;
    impl->fps = fps;
    impl->stopLoop = false;
    impl->loopThread = CreateThread(nullptr, 0, Impl::LoopThread, impl, 0, nullptr);
    if (!impl->loopThread) impl->capture.Close();
    return impl->loopThread != nullptr;
}

void StandInHost::StopFrameLoop()
{
    if (!impl->loopThread) return;
    impl->stopLoop = true;
    WaitForSingleObject(impl->loopThread, INFINITE);
    CloseHandle(impl->loopThread);
    impl->loopThread = nullptr;
}

long StandInHost::FramesRendered() const
{
    return impl->framesRendered.load();
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

// Sent from the calling thread, never the window thread, as a separate
// program's notice arrives.
LRESULT StandInHost::SendSkinNotice(const void* data, DWORD cbData, ULONG_PTR code)
{
    if (!impl->window) return 0;
    COPYDATASTRUCT notice;
    notice.dwData = code;
    notice.cbData = cbData;
    notice.lpData = const_cast<void*>(data);
    return SendMessageA(impl->window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
}

COLORREF StandInHost::PixelAt(int x, int y) const
{
    if (!impl->window) return CLR_INVALID;
    HDC dc = GetDC(impl->window);
    if (!dc) return CLR_INVALID;
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(impl->window, dc);
    return colour;
}

std::vector<COLORREF> StandInHost::CaptureVisArea() const
{
    std::vector<COLORREF> colours;
    RECT area;
    std::vector<unsigned char> bgr;
    if (!impl->window || !VisAreaRect(impl->window, area) ||
        !ReadWindowPixels(impl->window, area.left, area.top, area.right - area.left,
                          area.bottom - area.top, bgr))
        return colours;
    colours.reserve(bgr.size() / 3);
    for (size_t i = 0; i + 2 < bgr.size(); i += 3)
        colours.push_back(RGB(bgr[i + 2], bgr[i + 1], bgr[i]));
    return colours;
}

bool StandInHost::SaveScreenshot(const std::string& bmpPath) const
{
    RECT r;
    std::vector<unsigned char> bgr;
    if (!impl->window || !GetWindowRect(impl->window, &r)) return false;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    return ReadWindowPixels(impl->window, 0, 0, w, h, bgr) && WriteBmp24(bmpPath, w, h, bgr);
}

long StandInHost::MessagesSeen(UINT message, WPARAM wParam) const
{
    EnterCriticalSection(&impl->lock);
    auto it = impl->seen.find(std::make_pair(message, wParam));
    long count = it == impl->seen.end() ? 0 : it->second;
    LeaveCriticalSection(&impl->lock);
    return count;
}

long StandInHost::FirstArrival(UINT message, LPARAM lParam) const
{
    EnterCriticalSection(&impl->lock);
    auto it = impl->firstArrival.find(std::make_pair(message, lParam));
    long order = it == impl->firstArrival.end() ? 0 : it->second;
    LeaveCriticalSection(&impl->lock);
    return order;
}

std::vector<unsigned char> StandInHost::LastCopyData(ULONG_PTR* code) const
{
    EnterCriticalSection(&impl->lock);
    std::vector<unsigned char> data = impl->lastCopyData;
    if (code) *code = impl->lastCopyCode;
    LeaveCriticalSection(&impl->lock);
    return data;
}
