// Faults in the plug-in's life: callbacks out of order, Init with no drawing
// objects left, the host window destroyed while running, an unload and a
// process exit without Quit, a resize between an armed reload and the next
// frame, and a storm of window events while frames render flat out and the
// plug-in stops and starts again.
#include "tests/test_faults/faults.h"

#include <atomic>

#include "tests/support/import_table.h"
#include "tests/support/process_usage.h"

namespace faults {

TEST_F(Faults, CallbacksOutOfOrder)
{
    Open(host, 0x2004, false);
    HWND window = host.Window();
    Library library(repaintWatch);
    ASSERT_NE(nullptr, library.module);
    const Picture untouched = Plain(kMarker);

    FillVisArea(window, kMarker);
    EXPECT_EQ(0, library.Render(255, 2));
    Check(window, library.module, untouched, "Render before Init");
    library.Quit();
    EXPECT_EQ(0, library.Render(255, 2));
    Check(window, library.module, untouched, "Quit before Init");

    ASSERT_EQ(0, library.Init(window));
    library.Render(255, 2);
    ASSERT_TRUE(Shows(window, kAlphaBars, "Init"));
    library.Quit();
    library.Quit();
    host.Repaint();   // would arm a reload if a hook were left
    FillVisArea(window, kMarker);
    EXPECT_EQ(0, library.Render(255, 3));
    Check(window, library.module, untouched, "Quit twice, then Render");

    ASSERT_EQ(0, library.Init(window));
    library.Render(255, 2);
    Check(window, library.module, kAlphaBars, "Init after Quit");

    library.Quit();
    // The hook watches the host window's thread with the library's own
    // handle: a host that gives none, or one that names no module, changes
    // nothing but where the defaults file is looked for.
    for (HINSTANCE instance : {HINSTANCE(nullptr), reinterpret_cast<HINSTANCE>(1)}) {
        library.module->hDllInstance = instance;
        ASSERT_EQ(0, library.Init(window));
        host.SwitchSkin("Beta");
        host.SwitchSkin("Alpha");
        library.Render(255, 2);
        Check(window, library.module, kAlphaBars,
              instance ? "Init with a handle of no module" : "Init without the library's handle");
        library.Quit();
    }
    library.module->hDllInstance = library.dll;

    // Init with no drawing objects left fails with its box; the next one starts afresh.
    std::vector<HDC> taken;
    for (HDC dc; taken.size() < 200000 && (dc = CreateCompatibleDC(nullptr)) != nullptr;)
        taken.push_back(dc);
    ASSERT_GT(200000u, taken.size()) << "the platform never refused a drawing context";
    int result = 0;
    std::vector<MessageBoxWatcher::Seen> boxes;
    {
        MessageBoxWatcher watcher;
        result = library.Init(window);
        boxes = watcher.Take();
    }
    for (HDC dc : taken) DeleteDC(dc);
    EXPECT_EQ(1, result);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Error setting up buffers", boxes[0].text);
    host.Repaint();
    library.Render(255, 2);
    Check(window, library.module, kAlphaOff, "Init with no drawing objects left");
    ASSERT_EQ(0, library.Init(window));
    library.Render(255, 2);
    Check(window, library.module, kAlphaBars, "Init once drawing objects are back");
}

TEST_F(Faults, HostWindowDestroyedWhileRunning)
{
    for (bool notices : {false, true}) {
        const std::string what =
            notices ? "window gone, with notices" : "window gone, with repaints";
        StandInHost h;
        ASSERT_NO_FATAL_FAILURE(Start(h, notices, what));
        ChangeSkin(h, notices, "Beta");   // a reload armed now runs against the vanished window
        HWND gone = h.Window();
        SendMessageA(gone, WM_CLOSE, 0, 0);   // its default handling destroys the window
        ASSERT_FALSE(IsWindow(gone));
        Frames(h, 255, 500);
        Frames(h, 0, 500);
        ++casesRun;
        ExpectHealthy(nullptr, h.Module(), what);
        h.UnloadPlugin();   // Quit, then unload, as the player ends
    }
    // The process goes on: a new host window gets the library afresh.
    StandInHost h;
    Start(h, false, "a new host after the window was gone");
    Check(h, kAlphaBars, "a new host after the window was gone");
}

// An unload by FreeLibrary leaves the process running: the hook and every
// drawing object must go with the library.
TEST_F(Faults, UnloadWithoutQuitTakesTheHookAlong)
{
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 400, 400, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    for (bool notices : {false, true}) {
        const std::string what =
            notices ? "unloaded without Quit, notices" : "unloaded without Quit, repaints";
        StandInHost h;
        // A first run leaves the platform what it keeps of one; the headroom
        // is counted on the window thread, which then paints nothing.
        ASSERT_NO_FATAL_FAILURE(Start(h, notices, what));
        h.UnloadPlugin();
        long before = 0;
        long after = 0;
        h.OnWindowThread([&before] { before = GdiHeadroom(); });
        ASSERT_EQ(0, h.LoadPlugin());
        Settle(h);
        ASSERT_TRUE(Shows(h.Window(), kAlphaBars, what));
        h.UnloadPlugin(false);
        h.OnWindowThread([&after] { after = GdiHeadroom(); });
        EXPECT_EQ(before, after) << what << ": drawing objects left behind";
        COPYDATASTRUCT notice = {10650, 5, const_cast<char*>("Beta")};
        for (HWND window : {h.Window(), other}) {
            SendMessageA(window, WM_PAINT, 0, 0);
            SendMessageA(window, WM_SIZE, 0, MAKELPARAM(275, 116));
            SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
        }
        h.SetDoubleSize(true);
        h.SetDoubleSize(false);
        h.Repaint();
        // A hook left behind would have had the library loaded again to call it.
        EXPECT_EQ(nullptr, GetModuleHandleA((notices ? noticeWatch : repaintWatch).c_str()))
            << what << ": the library is loaded";
        Check(h, kAlphaOff, what);
    }
    DestroyWindow(other);
}

namespace {

// When the process ends, its other threads are gone first, perhaps holding
// the window system's locks: a window or drawing call made then can hang the
// player as it closes. In the child below, every such call Quit would make
// blocks for good when it comes from the exiting thread, as it would on
// such a lock.
const char kExitChild[] = "ZELPIN_EXIT_CHILD";
const DWORD kExitCode = 77;
std::atomic<DWORD> exitingThread{0};

void BlockAtExit(const char* call)
{
    if (GetCurrentThreadId() != exitingThread) return;
    std::fprintf(stderr, "exit without Quit: the library called %s as the process ended\n", call);
    std::fflush(stderr);
    Sleep(INFINITE);
}

#define BLOCKED_AT_EXIT(Result, call, Params, Args)                                               \
    Result WINAPI call##AtExit Params                                                              \
    {                                                                                              \
        BlockAtExit(#call);                                                                        \
        return call Args;                                                                          \
    }
BLOCKED_AT_EXIT(BOOL, UnhookWindowsHookEx, (HHOOK hook), (hook))
BLOCKED_AT_EXIT(HGDIOBJ, SelectObject, (HDC dc, HGDIOBJ object), (dc, object))
BLOCKED_AT_EXIT(BOOL, DeleteDC, (HDC dc), (dc))
BLOCKED_AT_EXIT(BOOL, DeleteObject, (HGDIOBJ object), (object))

// The child: a player that ends with the plug-in running and its frames
// rendering on their own thread, without calling Quit.
void ExitWithoutQuit(StandInHost& host)
{
    ASSERT_TRUE(host.StartFrameLoop(""));
    for (int i = 0; i < 12000 && host.FramesRendered() < 10; ++i) Sleep(5);
    ASSERT_LE(10, host.FramesRendered());
    const struct {
        const char* dll;
        const char* name;
        void* wrapper;
    } calls[] = {
        {"USER32.dll", "UnhookWindowsHookEx", reinterpret_cast<void*>(UnhookWindowsHookExAtExit)},
        {"GDI32.dll", "SelectObject", reinterpret_cast<void*>(SelectObjectAtExit)},
        {"GDI32.dll", "DeleteDC", reinterpret_cast<void*>(DeleteDCAtExit)},
        {"GDI32.dll", "DeleteObject", reinterpret_cast<void*>(DeleteObjectAtExit)},
    };
    for (const auto& call : calls)
        ASSERT_NE(nullptr, PatchImport(host.Library(), call.dll, call.name, call.wrapper))
            << call.name;
    std::fflush(stdout);
    exitingThread = GetCurrentThreadId();
    ExitProcess(kExitCode);
}

// This process's environment with the child's role and temporary folder.
std::string ChildEnvironment(const std::string& temp)
{
    std::string block;
    char* all = GetEnvironmentStringsA();
    for (const char* v = all; *v; v += std::strlen(v) + 1) {
        const std::string name(v, std::strcspn(v, "="));
        if (lstrcmpiA(name.c_str(), "TMP") != 0 && lstrcmpiA(name.c_str(), "TEMP") != 0)
            block.append(v, std::strlen(v) + 1);
    }
    FreeEnvironmentStringsA(all);
    for (const std::string& v : {std::string(kExitChild) + "=1", "TMP=" + temp, "TEMP=" + temp})
        block.append(v.c_str(), v.size() + 1);
    return block;   // the string's own terminator ends the block
}

}  // namespace

TEST_F(Faults, ProcessExitWithoutQuitEndsCleanly)
{
    if (GetEnvironmentVariableA(kExitChild, nullptr, 0)) {
        ASSERT_NO_FATAL_FAILURE(Start(host, false));
        ExitWithoutQuit(host);
        return;
    }
    // The child is this program running this case; its temporary files go
    // into this case's folder, which is removed with it.
    const std::string temp = root / "child";
    MakeFolder(temp);
    std::string command = "\"" + ExePath() + "\" --gtest_brief=1 --gtest_filter=Faults.ProcessExitWithoutQuitEndsCleanly";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child = {};
    std::string environment = ChildEnvironment(temp);
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, &environment[0],
                               nullptr, &startup, &child))
        << "error " << GetLastError();
    // A start and an exit take a few seconds; a hang holds on for good.
    const DWORD ended = WaitForSingleObject(child.hProcess, 60000);
    if (ended != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 1);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, ended) << "the player hung as it ended";
    EXPECT_EQ(kExitCode, code) << "the player did not end as it meant to";
}

// With notices followed, nothing but a notice arms a reload: a resize that
// comes between the arming and the next frame must not cancel it, or the
// skin stays wrong until the companion happens to send another notice.
TEST_F(Faults, ResizeBeforeTheNextFrameKeepsTheArmedReload)
{
    Open(host, 0x1FFF, true);
    ASSERT_EQ(0, host.LoadPlugin());   // arms the first skin load
    host.SetDoubleSize(true);
    host.SetDoubleSize(false);
    Settle(host);
    Check(host, kAlphaBars, "resize between Init and the first frame");

    Notice(host, "Alpha");
    Settle(host);
    Notice(host, "Beta");
    host.SetDoubleSize(true);
    host.SetDoubleSize(false);
    Settle(host);
    Check(host, kBetaBars, "resize between a notice and the next frame");
}

namespace {

struct Storm {
    winampVisModule* module;
    std::atomic<bool> calm{false};     // the window events are over
    std::atomic<bool> shaded{false};   // the window is (being) shaded: frames draw nothing
    std::atomic<long> frames{0};
    std::atomic<long> drawn{0};   // frames while the window was not shaded
    std::atomic<long> failedStarts{0};
};

// The visualisation thread without a clock: one Render after another until
// the window events are over, and every 64th frame a Quit and an Init, as a
// player does when the user restarts the plug-in.
DWORD WINAPI RenderFlatOut(void* param)
{
    Storm* storm = static_cast<Storm*>(param);
    const std::vector<unsigned char> loud = Spectrum(255);
    const std::vector<unsigned char> quiet = Spectrum(0);
    for (long i = 0; !storm->calm; ++i) {
        if (i % 64 == 63) {
            storm->module->Quit(storm->module);
            if (storm->module->Init(storm->module) != 0) ++storm->failedStarts;
        }
        std::memcpy(storm->module->spectrumData, (i % 3 ? loud : quiet).data(), loud.size());
        const bool shaded = storm->shaded;
        storm->module->Render(storm->module);
        ++storm->frames;
        if (!shaded && !storm->shaded) ++storm->drawn;
    }
    return 0;
}

}  // namespace

// Two rounds a mode; the first leaves behind what the platform keeps for
// good (cached drawing contexts, a grown heap), so the second must leave
// nothing: the plug-in's objects of its hundred starts would show.
TEST_F(Faults, WindowEventStormWhileFramesRenderFlatOut)
{
    for (bool notices : {false, true}) {
        const std::string what = notices ? "storm with notices" : "storm with repaints";
        StandInHost h;
        ASSERT_NO_FATAL_FAILURE(Start(h, notices, what));
        long headroom = 0;
        SIZE_T privateBytes = 0;
        for (int round = 0; round < 2; ++round) {
            Storm storm;
            storm.module = h.Module();
            int events = 0;
            if (round == 1) {
                headroom = GdiHeadroom();
                privateBytes = PrivateBytes();
            }
            {
                Watchdog watchdog(180000, what.c_str());
                HANDLE renderer = CreateThread(nullptr, 0, RenderFlatOut, &storm, 0, nullptr);
                ASSERT_NE(nullptr, renderer);
                // At least 225 events, and on until 10,000 frames had something to draw.
                for (; events < 225 || storm.drawn < 10000; ++events) {
                    const int step = events % 9;
                    if (step == 1) storm.shaded = true;   // from before the window shades
                    switch (step) {
                    case 0: h.SetDoubleSize(true); break;
                    case 1: h.SetShaded(true); break;
                    case 2: h.Repaint(); break;
                    case 3: h.SetShaded(false); break;
                    case 4: h.SwitchSkin("Beta"); break;
                    case 5: h.SetDoubleSize(false); break;
                    case 6: Notice(h, "Alpha"); break;
                    case 7: h.SwitchSkin("Alpha"); break;
                    default: Notice(h, "Beta"); break;
                    }
                    if (step == 3) storm.shaded = false;   // until it is shown again
                }
                storm.calm = true;
                WaitForSingleObject(renderer, INFINITE);
                CloseHandle(renderer);
            }
            EXPECT_EQ(0, storm.failedStarts.load()) << what;
            std::printf("%s, round %d: %d window events, %ld frames, %ld of them unshaded\n",
                        what.c_str(), round, events, storm.frames.load(), storm.drawn.load());
        }
        EXPECT_LE(PrivateBytes(), privateBytes + 256 * 1024) << what << ": private memory grew";
        EXPECT_EQ(headroom, GdiHeadroom()) << what << ": drawing objects left behind";
        h.SetShaded(false);
        h.SetDoubleSize(false);
        ChangeSkin(h, notices, "Beta");
        Frames(h, 255, 2);   // the reload frame, then one loud frame
        Check(h, kBetaBars, what);
    }
}

}  // namespace faults
