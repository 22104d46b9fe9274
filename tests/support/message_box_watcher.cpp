#include "tests/support/message_box_watcher.h"

namespace {

struct Found {
    DWORD process;
    const char* windowClass;
    HWND window;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM param)
{
    Found* found = reinterpret_cast<Found*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (process == found->process && IsWindowVisible(window) &&
        (!found->windowClass || lstrcmpA(cls, found->windowClass) == 0)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindText(HWND child, LPARAM param)
{
    std::string* text = reinterpret_cast<std::string*>(param);
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && IsWindowVisible(child)) {
        char buf[1024] = "";
        GetWindowTextA(child, buf, sizeof buf);
        if (buf[0]) {
            *text = buf;
            return FALSE;
        }
    }
    return TRUE;
}

}  // namespace

HWND VisibleWindowOf(DWORD process, const char* windowClass)
{
    Found found = {process, windowClass, nullptr};
    EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

MessageBoxWatcher::MessageBoxWatcher()
{
    InitializeCriticalSection(&lock);
    stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    SetEvent(stop);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(stop);
    DeleteCriticalSection(&lock);
}

std::vector<MessageBoxWatcher::Seen> MessageBoxWatcher::Take()
{
    std::vector<Seen> recent;
    EnterCriticalSection(&lock);
    recent.swap(boxes);
    LeaveCriticalSection(&lock);
    return recent;
}

DWORD WINAPI MessageBoxWatcher::Watch(void* param)
{
    MessageBoxWatcher* self = static_cast<MessageBoxWatcher*>(param);
    while (WaitForSingleObject(self->stop, 20) == WAIT_TIMEOUT) {
        HWND box = VisibleWindowOf(GetCurrentProcessId(), "#32770");
        if (!box) continue;
        Seen seen;
        char caption[256] = "";
        GetWindowTextA(box, caption, sizeof caption);
        seen.caption = caption;
        EnumChildWindows(box, FindText, reinterpret_cast<LPARAM>(&seen.text));
        seen.owner = GetWindow(box, GW_OWNER);
        EnterCriticalSection(&self->lock);
        self->boxes.push_back(seen);
        LeaveCriticalSection(&self->lock);
        HWND button = FindWindowExA(box, nullptr, "Button", nullptr);
        PostMessageA(box, WM_COMMAND, button ? GetDlgCtrlID(button) : IDOK, 0);
        // Wait until it is gone, so one box is counted once.
        for (int i = 0; i < 250 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(10);
    }
    return 0;
}
