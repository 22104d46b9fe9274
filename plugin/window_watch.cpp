#include "plugin/window_watch.h"

#include <cstring>

#include "player/main_window.h"
#include "plugin/frame_stages.h"
#include "plugin/module.h"
#include "plugin/plugin_state.h"
#include "plugin/skin_handover.h"
#include "skin/skin_locator.h"
#include "skin/skin_suck.h"

namespace {

const CWPSTRUCT* ForHostWindow(LPARAM lParam)
{
    const CWPSTRUCT* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (!msg || !hostWindow || msg->hwnd != hostWindow) return nullptr;
    return msg;
}

// Hands the Skins folder followed by the notified folder name to the next
// reload. The name ends at its NUL or after cbData bytes, whichever comes
// first; a notice whose name would not fit in a path is ignored, since a cut
// name would point at some other folder.
bool TakeSkinNotice(const COPYDATASTRUCT* notice)
{
    if (!skinSuck || !skinSuck->locator) return false;
    const char* folder = skinSuck->locator->skinsFolder;
    size_t folderLength = strnlen(folder, MAX_PATH);
    // No Skins folder known: a bare name would be a path relative to nowhere.
    if (folderLength == 0 || folderLength >= MAX_PATH) return false;

    size_t nameLength = 0;
    if (notice->cbData > 0) {
        if (!notice->lpData) return false;
        nameLength = strnlen(static_cast<const char*>(notice->lpData), notice->cbData);
    }
    if (folderLength + nameLength >= MAX_PATH) return false;

    char path[MAX_PATH];
    memcpy(path, folder, folderLength);
    memcpy(path + folderLength, notice->lpData, nameLength);
    PostNoticedSkin(path, folderLength + nameLength);
    return true;
}

// A new size reselects the presenter at once. A reload armed before it stays
// armed: with skin notices nothing else would arm it again, and the skin the
// last notice named would never be shown.
void Resized()
{
    const bool reloadPending = updateStage.load() == ReloadSkin;
    SelectStages();
    if (reloadPending) updateStage.store(ReloadSkin);
}

}  // namespace

LRESULT CALLBACK PaintWatchHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (const CWPSTRUCT* msg = ForHostWindow(lParam)) {
        if (msg->message == WM_SIZE) {
            Resized();
        } else if (msg->message == WM_PAINT) {
            ArmReload();
        }
    }
    return CallNextHookEx(hookHandle, code, wParam, lParam);
}

LRESULT CALLBACK NoticeWatchHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (const CWPSTRUCT* msg = ForHostWindow(lParam)) {
        if (msg->message == WM_SIZE) {
            Resized();
        } else if (msg->message == WM_COPYDATA) {
            const COPYDATASTRUCT* notice = reinterpret_cast<const COPYDATASTRUCT*>(msg->lParam);
            if (notice && notice->dwData == kSkinNoticeCode && TakeSkinNotice(notice))
                ArmReload();
        }
    }
    return CallNextHookEx(hookHandle, code, wParam, lParam);
}
