#include "plugin/startup.h"

#include <cstring>
#include <new>

#include "draw/surfaces.h"
#include "player/main_window.h"
#include "plugin/frame_stages.h"
#include "plugin/module.h"
#include "plugin/plugin_state.h"
#include "plugin/skin_handover.h"
#include "plugin/window_watch.h"
#include "skin/skin_locator.h"
#include "skin/skin_suck.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

namespace {

const int kQuelbixAlwaysOffFrom = 0x2004;

// The box belongs to the host window; one that is gone would own no box at
// all, and the user would never learn why nothing is drawn.
int Fail(winampVisModule* module, const char* message)
{
    HWND owner = hostWindow;
    MessageBoxA(IsWindow(owner) ? owner : nullptr, message, module->description, MB_ICONWARNING);
    Quit(module);
    return 1;
}

// "plugin.ini" beside this library; empty when the path would not fit.
void DefaultsPath(HINSTANCE library, char* out)
{
    out[0] = '\0';
    char own[MAX_PATH];
    DWORD n = GetModuleFileNameA(library, own, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    char* slash = strrchr(own, '\\');
    if (!slash) return;
    *slash = '\0';
    if (!AppendToPath(out, own) || !AppendToPath(out, "\\plugin.ini")) out[0] = '\0';
}

// Replaces whatever hook an earlier Init left, so only one is ever installed.
// It watches the host window's own thread: a hook for every thread would map
// this library into every program the user runs, and on 64-bit Windows would
// run their messages through the thread that installed it.
bool InstallHook(HOOKPROC procedure)
{
    if (hookHandle) {
        UnhookWindowsHookEx(hookHandle);
        hookHandle = nullptr;
    }
    const DWORD thread = GetWindowThreadProcessId(hostWindow, nullptr);
    if (thread == 0) return false;   // no window, or one already destroyed
    hookHandle = SetWindowsHookExA(WH_CALLWNDPROC, procedure, libraryInstance, thread);
    return hookHandle != nullptr;
}

}  // namespace

int __cdecl Init(winampVisModule* module)
{
    hostWindow = module->hwndParent;

    // A host that leaves the handle empty still finds the defaults beside
    // the library, not beside itself.
    char defaultsPath[MAX_PATH];
    DefaultsPath(module->hDllInstance ? module->hDllInstance : libraryInstance, defaultsPath);

    if (!config) {
        config = new (std::nothrow) ZelpinConfig(defaultsPath[0] ? defaultsPath : nullptr);
        if (!config) return Fail(module, "Can't Initialized ZelpinConfig Class");
        // New settings know no skin yet: the first reload must load afresh.
        lastSkinName[0] = '\0';
    }

    if (!skinSuck) {
        skinSuck = new (std::nothrow) SkinSuck;
        if (!skinSuck || !skinSuck->Initialize(hostWindow))
            return Fail(module, "Can't Initialized SkinSuck Class");
    }

    if (skinSuck->hostVersion >= kQuelbixAlwaysOffFrom) config->dependQuelbix = 0;

    if (!visColor) {
        visColor = new (std::nothrow) VisColor;
        if (!visColor) return Fail(module, "Can't Initialized VisColor Class");
    }

    if (!SetUpSurfaces()) {
        ReleaseSurfaces();
        return Fail(module, "Error setting up buffers");
    }

    updateStage.store(ReloadSkin);

    if (config->dependQuelbix != 0) {
        // A notice the last run left untaken names a skin of the past.
        char stale[MAX_PATH];
        TakeNoticedSkin(stale);
        if (!InstallHook(NoticeWatchHook))
            return Fail(module, "Unable to set hook");
        SendMessageA(hostWindow, kCompanionHello, kCompanionHelloCode,
                     reinterpret_cast<LPARAM>(hostWindow.load()));
        skinSuck->locator->GetCurrentSkin(skinPath, lastSkinName);
        return 0;
    }

    skinSuck->locator->RefreshSkins();
    if (!InstallHook(PaintWatchHook)) return Fail(module, "Unable to set hook");
    return 0;
}

void __cdecl Quit(winampVisModule*)
{
    if (hookHandle) {
        UnhookWindowsHookEx(hookHandle);
        hookHandle = nullptr;
    }
    updateStage.store(NoOpStage);
    presentStage.store(NoOpStage);
    ReleaseSurfaces();
    delete visColor;
    visColor = nullptr;
    delete skinSuck;
    skinSuck = nullptr;
    delete config;
    config = nullptr;
}

// An unload by FreeLibrary (reserved null) must take the hook and the
// drawing objects along, as the process goes on. When the process ends
// (reserved set) the platform reclaims all of it, while the other threads
// are gone and may have died holding the window system's locks: a USER or
// GDI call then could hang or crash the player as it closes.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) libraryInstance = instance;
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) Quit(&visModule);
    return TRUE;
}
