// Every failure of the library's own calls, one after another: for Init, a
// skin reload, the catalogue of the signature locator and a window-size
// change, the N-th call that can fail fails, for N = 1, 2, ... until the
// operation runs without meeting a failure; once with that one call failing,
// once with every call failing from the N-th on. After each step: the host
// answers; Init gave the warning for the step that failed, anything else
// none; once the plug-in has quit, the library holds nothing more of what it
// takes through those calls (memory, drawing objects and contexts, files,
// listings, hooks) and the process's committed memory is where it was; and a
// later Init draws the current skin. The process's drawing-object headroom
// is counted around each operation's loops.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/process_usage.h"
#include "tests/support/scenario_skins.h"
#include "tests/support/skin_files.h"
#include "tests/support/vis_checks.h"
#include "tests/test_failure_loops/failure_points.h"

namespace {

// Frames differ at every sample point, so the signature locator tells the
// skins apart and takes none of them for another.
const SkinColours (&kSkins)[3] = kScenarioSkins;

Picture BarsOf(const char* skin)
{
    for (const SkinColours& s : kSkins)
        if (std::string(s.name) == skin) return Bars(kPeak, s.bar, s.background);
    return Plain(CLR_INVALID);
}

const char kCaption[] = "ZELPIN";

// Wine with no window manager (as under the virtual display) waits two
// seconds for each managed window it hides; this program shows hundreds of
// boxes, so its windows are left unmanaged. Set before any window exists.
bool LeaveWindowsUnmanaged()
{
    const std::string exe = ExePath();
    const std::string key = "Software\\Wine\\AppDefaults\\" +
                            exe.substr(exe.find_last_of('\\') + 1) + "\\X11 Driver";
    return RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Managed", REG_SZ, "N", 2) ==
           ERROR_SUCCESS;
}
const bool unmanaged = LeaveWindowsUnmanaged();

// Init's warnings, in the order of the steps that give them.
const char* const kWarnings[] = {
    "Can't Initialized ZelpinConfig Class", "Can't Initialized SkinSuck Class",
    "Can't Initialized VisColor Class",     "Error setting up buffers",
    "Unable to set hook",
};

// Init builds, in this order, the settings (the first allocation; a defaults
// file it opens is read into the next), the locator's owner and the locator
// (the next two), the colour table (the next), the three surfaces (every
// later allocation, and the platform memory, bitmaps and drawing contexts
// they take), then sets the hook.
std::string InitWarning(const FailedCall& failed, bool readsDefaults)
{
    if (failed.call == kSetWindowsHookExA) return kWarnings[4];
    const long allocation = failed.allocation - (readsDefaults && failed.allocation > 2);
    if (!IsAllocation(failed.call) || allocation > 4) return kWarnings[3];
    const int step[] = {0, 0, 1, 1, 2};
    return kWarnings[step[allocation]];
}

// A surface needs the screen's drawing context only as a pattern: its bitmap
// and memory context are made without one, so Init may survive that failure.
// Reading the defaults file survives any failure (its open, its block, its
// read): the platform's own reads of the file take over.
bool InitSurvives(const FailedCall& failed, bool readsDefaults)
{
    return failed.call == kGetDC || failed.call == kCreateFileA || failed.call == kReadFile ||
           (readsDefaults && IsAllocation(failed.call) && failed.allocation == 2);
}

struct Usage {
    SIZE_T committed = 0;
    Held held;
};

struct Outcome {
    int init = 0;
    Failures failures;
    std::vector<MessageBoxWatcher::Seen> boxes;
    Usage before;
    Usage after;
};

// Read on the host window's thread between two of its messages, so nothing
// of the host's own painting lies inside a figure.
Usage Measure(StandInHost& host)
{
    Usage u;
    host.OnWindowThread([&u] {
        u.committed = PrivateBytes();
        u.held = LibraryHolds();
    });
    return u;
}

// Counting it takes every drawing object the platform has left, so it runs
// on the window thread too (the only other thread that paints), and only
// around whole loops: the platform's handle table itself gives out after a
// hundred or so counts.
long Headroom(StandInHost& host)
{
    long headroom = 0;
    host.OnWindowThread([&headroom] { headroom = GdiHeadroom(); });
    return headroom;
}

void ExpectNoBox(const Outcome& outcome, const std::string& what)
{
    EXPECT_EQ(0u, outcome.boxes.size())
        << what << ": a box appeared: \"" << outcome.boxes[0].text << "\"";
}

// With a defaults file there, Init reads it unless its open failed.
void ExpectInitWarning(StandInHost& host, const Outcome& outcome, const std::string& what,
                       bool defaultsFile)
{
    bool readsDefaults = defaultsFile;
    for (const FailedCall& failed : outcome.failures.failed)
        if (failed.call == kCreateFileA) readsDefaults = false;
    const FailedCall* fatal = nullptr;
    for (const FailedCall& failed : outcome.failures.failed) {
        if (!InitSurvives(failed, readsDefaults)) {
            fatal = &failed;
            break;
        }
    }
    if (!fatal) {
        EXPECT_EQ(0, outcome.init) << what << ": Init failed";
        ExpectNoBox(outcome, what);
        Settle(host);
        Shows(host.Window(), BarsOf("Alpha"), what + ", Init survived");
        return;
    }
    EXPECT_EQ(1, outcome.init) << what << ": Init did not report the failure";
    ASSERT_EQ(1u, outcome.boxes.size()) << what << ": boxes shown";
    EXPECT_EQ(kCaption, outcome.boxes[0].caption) << what;
    EXPECT_EQ(InitWarning(*fatal, readsDefaults), outcome.boxes[0].text)
        << what << ": the box for " << CallName(fatal->call) << " failing";
    EXPECT_EQ(host.Window(), outcome.boxes[0].owner) << what << ": the box's owner";
}

struct Operation {
    const char* name;
    int version;   // the host's: 0x2000 cannot name its skin
    bool running;  // starts from a running plug-in that shows Alpha
    FailingCall startAt;
    FailingCall stopAt;
    std::function<void(StandInHost&)> prepare;   // before the calls are counted
    std::function<int(StandInHost&)> run;        // counted
    // In the same session, once the calls no longer fail.
    std::function<void(StandInHost&, const Outcome&, const std::string&)> judge;
    const char* skinAfter;   // the skin a later Init draws
};

const Operation kOperations[] = {
    {"Init", 0x2004, false, kNoCall, kNoCall, nullptr,
     [](StandInHost& host) { return host.LoadPlugin(); },
     [](StandInHost& host, const Outcome& outcome, const std::string& what) {
         ExpectInitWarning(host, outcome, what, false);
     },
     "Alpha"},
    {"skin reload", 0x2004, true, kNoCall, kNoCall,
     [](StandInHost& host) { host.SwitchSkin("Beta"); },
     [](StandInHost& host) {
         Frames(host, 255, 2);
         return 0;
     },
     [](StandInHost&, const Outcome& outcome, const std::string& what) {
         ExpectNoBox(outcome, what);
     },
     "Beta"},
    // The catalogue is built inside Init, from its listing of the Skins folder
    // up to the hook.
    {"catalogue", 0x2000, false, kFindFirstFileA, kSetWindowsHookExA, nullptr,
     [](StandInHost& host) { return host.LoadPlugin(); },
     [](StandInHost& host, const Outcome& outcome, const std::string& what) {
         EXPECT_EQ(0, outcome.init) << what;
         ExpectNoBox(outcome, what);
         // A skin left out is not found; none is taken for another.
         Settle(host);
         if (Differences(host.Window(), Plain(kBackgroundA)) != 0)
             Shows(host.Window(), BarsOf("Alpha"), what + ": Alpha or nothing");
     },
     "Alpha"},
    {"window-size change", 0x2000, true, kNoCall, kNoCall, nullptr,
     [](StandInHost& host) {
         host.SetDoubleSize(true);
         Frames(host, 255, 3);
         return 0;
     },
     [](StandInHost& host, const Outcome& outcome, const std::string& what) {
         ExpectNoBox(outcome, what);
         host.SetDoubleSize(false);
         Settle(host);
         Shows(host.Window(), BarsOf("Alpha"), what + ", back at normal size");
     },
     "Alpha"},
    // Skin notices asked for by the defaults file, on a host older than
    // 0x2004 (which turns them off): Init sets the notice hook instead. Last,
    // as the defaults file stays.
    {"Init, skin notices", 0x1903, false, kNoCall, kNoCall,
     [](StandInHost&) {
         char library[MAX_PATH];
         GetModuleFileNameA(GetModuleHandleA("vis_zelpin.dll"), library, MAX_PATH);
         std::string ini = library;
         ini = ini.substr(0, ini.find_last_of('\\')) + "\\plugin.ini";
         WriteTextFile(ini, "[ZELPIN]\r\nDependQuelbix=1\r\n");
     },
     [](StandInHost& host) { return host.LoadPlugin(); },
     [](StandInHost& host, const Outcome& outcome, const std::string& what) {
         ExpectInitWarning(host, outcome, what, true);
     },
     "Alpha"},
};

// Names the step that was running when the process dies.
std::string currentStep;

void ReportDeath(int)
{
    std::fprintf(stderr, "failure loops: the host died (abort) at %s\n", currentStep.c_str());
    std::fflush(stderr);
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* e)
{
    std::fprintf(stderr, "failure loops: the host crashed (exception 0x%08lx) at %s\n",
                 e->ExceptionRecord->ExceptionCode, currentStep.c_str());
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

class FailureLoops : public ::testing::Test {
protected:
    void SetUp() override
    {
        pluginPath = MakePlayerFolders(root);
        // Held for the whole run, so every host loads this one patched copy.
        library = LoadLibraryA(pluginPath.c_str());
        ASSERT_NE(nullptr, library);
        std::string missing;
        ASSERT_TRUE(PatchFailingCalls(library, &missing)) << "imports not found:" << missing;
        std::signal(SIGABRT, ReportDeath);
        SetUnhandledExceptionFilter(ReportCrash);
    }

    void TearDown() override
    {
        if (!library) return;
        UnpatchFailingCalls(library);
        FreeLibrary(library);
    }

    StandInHost::Options OptionsFor(const Operation& op) const
    {
        StandInHost::Options options;
        options.version = op.version;
        options.skinsFolder = root / "Skins";
        options.skin = "Alpha";
        options.pluginPath = pluginPath;
        return options;
    }

    // One run of a step: the plug-in's life around the operation, judged.
    Outcome Run(StandInHost& host, const Operation& op, long n, bool fromThenOn,
                const std::string& what)
    {
        Outcome outcome;
        host.SwitchSkin("Alpha");
        watcher.Take();
        outcome.before = Measure(host);
        if (op.running) {
            EXPECT_EQ(0, host.LoadPlugin()) << what;
            Settle(host);
            Shows(host.Window(), BarsOf("Alpha"), what + ", before");
        }
        if (op.prepare) op.prepare(host);
        Arm(n, fromThenOn, op.startAt, op.stopAt);
        outcome.init = op.run(host);
        outcome.failures = Disarm();
        outcome.boxes = watcher.Take();
        ExpectHealthy(host.Window(), host.Module(), what);
        op.judge(host, outcome, what);
        host.UnloadPlugin(outcome.init == 0);   // after a failed Init, no Quit
        outcome.after = Measure(host);
        EXPECT_TRUE(outcome.before.held == outcome.after.held)
            << what << ": the library held " << outcome.before.held.Text() << " before, "
            << outcome.after.held.Text() << " after";
        return outcome;
    }

    // One step. The platform fills caches of its own the first few times a
    // path runs (a warning box with its text, a window's drawing contexts),
    // so the step runs until one run leaves committed memory exactly where it
    // found it, at most eight times: a leak of a page or more per run never
    // gets there. What the library holds is counted exactly in every run.
    Outcome Step(StandInHost& host, const Operation& op, long n, bool fromThenOn)
    {
        const std::string what = std::string(op.name) +
                                 (fromThenOn ? ", every call from " : ", call ") +
                                 std::to_string(n) + " failing";
        currentStep = what;
        Outcome outcome;
        for (int run = 0; run < kRuns; ++run) {
            outcome = Run(host, op, n, fromThenOn, what);
            if (outcome.after.committed == outcome.before.committed) break;
        }
        EXPECT_EQ(outcome.before.committed, outcome.after.committed)
            << what << ": committed memory went from " << outcome.before.committed << " to "
            << outcome.after.committed << " in each of " << kRuns << " runs";

        // A later Init in the same process works and draws.
        EXPECT_EQ(0, host.LoadPlugin()) << what << ", then a later Init";
        Settle(host);
        Shows(host.Window(), BarsOf(op.skinAfter), what + ", then a later Init");
        host.UnloadPlugin();
        return outcome;
    }

    static const int kRuns = 8;

    TempFolder root{"failloops"};
    std::string pluginPath;
    HMODULE library = nullptr;
    MessageBoxWatcher watcher;
};

// "malloc 7, GlobalAlloc 3, ...".
std::string Tally(const std::vector<FailingCall>& calls)
{
    std::string text;
    for (int call = 0; call < kNoCall; ++call) {
        const long n = static_cast<long>(std::count(calls.begin(), calls.end(), call));
        if (n) text += (text.empty() ? "" : ", ") + std::string(CallName(FailingCall(call))) + " " + std::to_string(n);
    }
    return text;
}

}  // namespace

TEST_F(FailureLoops, EveryFailingCallInTurn)
{
    for (const Operation& op : kOperations) {
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor(op)));
        Watchdog watchdog(600000, op.name);
        // Once the platform has shown a fault-free run and a warning box over
        // this window (it keeps the icon, and more), it has what it keeps.
        Step(host, op, 0, false);
        for (const char* text : kWarnings) MessageBoxA(host.Window(), text, kCaption, MB_ICONWARNING);
        watcher.Take();
        const long headroom = Headroom(host);
        long points[2] = {0, 0};
        std::string calls;
        for (bool fromThenOn : {false, true}) {
            for (long n = 1;; ++n) {
                const Outcome outcome = Step(host, op, n, fromThenOn);
                if (HasFailure()) return;
                if (outcome.failures.failed.empty()) {
                    points[fromThenOn] = n - 1;
                    calls = Tally(outcome.failures.calls);
                    break;
                }
            }
        }
        EXPECT_EQ(headroom, Headroom(host)) << op.name << ": drawing objects left behind";
        EXPECT_EQ(points[0], points[1]) << op.name << ": the two loops met different calls";
        std::printf("failure loops: %s has %ld failure points (%s), each failed alone and "
                    "every call from it on\n",
                    op.name, points[0], calls.c_str());
        std::fflush(stdout);
    }
}
