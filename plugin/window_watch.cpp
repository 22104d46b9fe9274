#include "plugin/window_watch.h"

#include <cstring>

#include "player/main_window.h"
#include "plugin/frame_stages.h"
#include "plugin/plugin_state.h"
#include "plugin/skin_handover.h"

// The hooks run on the host window's thread while Render, Init and Quit run
// on the player's vis thread, which owns every object of the plug-in and may
// be destroying them at this very moment. So a hook reads nothing but the
// message and hostWindow, and hands each event over as one atomic store (a
// stage that reloads or reselects at the start of the next Render, a
// noticed name through the hand-over); the vis thread does the rest.

namespace {

const CWPSTRUCT* ForHostWindow(LPARAM lParam)
{
    const CWPSTRUCT* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (!msg || !msg->hwnd || msg->hwnd != hostWindow.load()) return nullptr;
    return msg;
}

// Hands the notified folder name to the next reload, which puts the Skins
// folder before it. The name ends at its NUL or after cbData bytes,
// whichever comes first; a name that could never fit in a path is ignored,
// since a cut name would point at some other folder.
bool TakeSkinNotice(const COPYDATASTRUCT* notice)
{
    size_t nameLength = 0;
    if (notice->cbData > 0) {
        if (!notice->lpData) return false;
        nameLength = strnlen(static_cast<const char*>(notice->lpData), notice->cbData);
    }
    if (nameLength >= MAX_PATH) return false;
    PostNoticedSkin(static_cast<const char*>(notice->lpData), nameLength);
    return true;
}

// Every hook of this kind is called with the next one's handle ignored
// (Microsoft's documentation of CallNextHookEx: "This parameter is
// ignored"), so none is read here.
LRESULT PassOn(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK PaintWatchHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (const CWPSTRUCT* msg = ForHostWindow(lParam)) {
        if (msg->message == WM_SIZE) {
            ArmReselect();
        } else if (msg->message == WM_PAINT) {
            ArmReload();
        }
    }
    return PassOn(code, wParam, lParam);
}

LRESULT CALLBACK NoticeWatchHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (const CWPSTRUCT* msg = ForHostWindow(lParam)) {
        if (msg->message == WM_SIZE) {
            ArmReselect();
        } else if (msg->message == WM_COPYDATA) {
            const COPYDATASTRUCT* notice = reinterpret_cast<const COPYDATASTRUCT*>(msg->lParam);
            if (notice && notice->dwData == kSkinNoticeCode && TakeSkinNotice(notice))
                ArmReload();
        }
    }
    return PassOn(code, wParam, lParam);
}
