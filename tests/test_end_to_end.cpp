// The built plug-in library in the stand-in host, loaded and driven exactly
// as a player drives it. Every scenario loads the library afresh, so the
// analyser's per-column state starts at zero.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/scenario_skins.h"
#include "tests/support/skin_files.h"
#include "tests/support/vis_checks.h"

namespace {

const COLORREF kBarNew = RGB(250, 250, 0);

class EndToEnd : public ::testing::Test {
protected:
    EndToEnd()
    {
        options.pluginPath = MakePlayerFolders(root);
        options.skinsFolder = root / "Skins";
        options.skin = "Alpha";
    }

    // Starts the plug-in and runs its first frame, the one that loads the skin.
    void Start()
    {
        ASSERT_TRUE(host.Open(options));
        ASSERT_EQ(0, host.LoadPlugin());
        Render(0);
    }

    void Render(unsigned char loud, int times = 1) { Frames(host, loud, times); }

    // Whether the vis area shows loud columns in the given colours.
    void ExpectVisArea(COLORREF peak, COLORREF bar, COLORREF background, int scale = 1)
    {
        Shows(host.Window(), Bars(peak, bar, background), "vis area", scale);
    }

    TempFolder root{"e2e"};
    StandInHost::Options options;
    StandInHost host;
};

}  // namespace

TEST_F(EndToEnd, FirstRenderLoadsTheSkinAndPresentsInTheSameFrame)
{
    ASSERT_TRUE(host.Open(options));
    ASSERT_EQ(0, host.LoadPlugin());
    FillVisArea(host.Window(), kBarNew);
    Render(255);   // loads the skin and shows its bare background at once
    ExpectVisArea(kBackgroundA, kBackgroundA, kBackgroundA);
    Render(255);
    ExpectVisArea(kPeak, kBarA, kBackgroundA);
    EXPECT_EQ(kFrameA, host.PixelAt(23, 43));         // nothing outside the area
    EXPECT_EQ(kFrameA, host.PixelAt(100, 58));
}

TEST_F(EndToEnd, DoubleSizeIsPaintedStretchedAt48x86)
{
    Start();
    host.SetDoubleSize(true);
    Render(255, 2);
    ExpectVisArea(kPeak, kBarA, kBackgroundA, 2);
    EXPECT_EQ(kFrameA, host.PixelAt(47, 86));
    EXPECT_EQ(kFrameA, host.PixelAt(200, 118));
}

TEST_F(EndToEnd, PeaksOffWithRainOnDrawsHangingBarsWithoutDrops)
{
    MakeSkin(root / "Skins\\Hanging", kFrameA, kBackgroundA, kBarA, kPeak,
             std::string(kSolid) + "Peaks=0\r\nRain=1\r\n");
    options.skin = "Hanging";
    Start();
    Render(255);
    ExpectVisArea(kBarA, kBarA, kBackgroundA);
    Render(0);   // one level down: the hanging bar's lowest row clears
    EXPECT_EQ(kBarA, host.PixelAt(24, 43));
    EXPECT_EQ(kBackgroundA, host.PixelAt(24, 58));
}

namespace {

struct SeenCall {
    int code;
    CWPSTRUCT message;
};
std::vector<SeenCall> chainCalls;
HHOOK chainHook;

LRESULT CALLBACK ChainEnd(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (msg->message == WM_USER + 500) chainCalls.push_back({code, *msg});
    return CallNextHookEx(chainHook, code, wParam, lParam);
}

}  // namespace

TEST_F(EndToEnd, EveryCallIsPassedOnUnchanged)
{
    ASSERT_TRUE(host.Open(options));
    // Installed first, so it runs after the plug-in's hook in the chain.
    chainHook = SetWindowsHookExA(WH_CALLWNDPROC, ChainEnd, GetModuleHandleA(nullptr),
                                  GetWindowThreadProcessId(host.Window(), nullptr));
    ASSERT_NE(nullptr, chainHook);
    ASSERT_EQ(0, host.LoadPlugin());
    chainCalls.clear();
    SendMessageA(host.Window(), WM_USER + 500, 0x1234, 0x5678);
    UnhookWindowsHookEx(chainHook);
    ASSERT_EQ(1u, chainCalls.size());
    EXPECT_EQ(HC_ACTION, chainCalls[0].code);
    EXPECT_EQ(host.Window(), chainCalls[0].message.hwnd);
    EXPECT_EQ(static_cast<WPARAM>(0x1234), chainCalls[0].message.wParam);
    EXPECT_EQ(static_cast<LPARAM>(0x5678), chainCalls[0].message.lParam);
}

// The hook watches the host window's thread: a window already destroyed has
// none, and Init on the running plug-in fails with its box, unowned, and
// takes everything down; the next Init starts afresh.
TEST_F(EndToEnd, InitWithADestroyedWindowFailsWithItsBox)
{
    Start();
    Render(255);
    winampVisModule* module = host.Module();
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    module->hwndParent = gone;
    {
        MessageBoxWatcher watcher;
        EXPECT_EQ(1, module->Init(module));
        std::vector<MessageBoxWatcher::Seen> boxes = watcher.Take();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("ZELPIN", boxes[0].caption);
        EXPECT_EQ("Unable to set hook", boxes[0].text);
        EXPECT_EQ(nullptr, boxes[0].owner) << "a box owned by a window that is gone";
    }
    host.Repaint();   // would arm a reload if a hook were left
    Render(255, 2);
    ExpectVisArea(kBackgroundA, kBackgroundA, kBackgroundA);

    module->hwndParent = host.Window();
    EXPECT_EQ(0, module->Init(module));
    Render(255, 2);
    ExpectVisArea(kPeak, kBarA, kBackgroundA);
}

TEST_F(EndToEnd, InitOnARunningPluginLeavesOneHook)
{
    Start();
    winampVisModule* module = host.Module();
    EXPECT_EQ(0, module->Init(module));
    Render(255, 2);
    ExpectVisArea(kPeak, kBarA, kBackgroundA);
    host.UnloadPlugin();
    // A hook left behind would now run code that is no longer loaded.
    host.Repaint();
    host.SetDoubleSize(true);
    host.SetDoubleSize(false);
    host.SendSkinNotice("Beta", 5);
    EXPECT_EQ(kBackgroundA, host.PixelAt(24, 43));
}

namespace {

// Whether a module of this name is loaded in the process.
bool HasModule(HANDLE process, const char* name)
{
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return false;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
        char base[MAX_PATH] = "";
        GetModuleBaseNameA(process, modules[i], base, MAX_PATH);
        if (lstrcmpiA(base, name) == 0) return true;
    }
    return false;
}

}  // namespace

// The hook watches the host window's thread alone: another program's window
// that receives messages while the plug-in runs never gets the library.
TEST_F(EndToEnd, OtherProgramsNeverLoadTheLibrary)
{
    Start();
    Render(255, 2);
    char command[] = "notepad.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION other = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &other));
    WaitForInputIdle(other.hProcess, 60000);
    HWND window = nullptr;
    for (int i = 0; i < 600 && !(window = VisibleWindowOf(other.dwProcessId)); ++i) Sleep(100);
    ASSERT_NE(nullptr, window) << "the other program showed no window";
    for (UINT message : {WM_NULL, WM_PAINT, WM_SIZE, WM_USER}) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, 10000, &result);
    }
    EXPECT_TRUE(HasModule(other.hProcess, "user32.dll")) << "the module list was not read";
    EXPECT_FALSE(HasModule(other.hProcess, "vis_zelpin.dll"));
    TerminateProcess(other.hProcess, 0);
    WaitForSingleObject(other.hProcess, 10000);
    CloseHandle(other.hThread);
    CloseHandle(other.hProcess);
    Render(255, 2);
    ExpectVisArea(kPeak, kBarA, kBackgroundA);
}
