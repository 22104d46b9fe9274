// Faults from outside the plug-in: damaged and odd skin files, odd host
// answers and notices, callbacks out of order, and a storm of window events
// while frames render. Every case drives the built library as a player does
// and ends with the host window answering, the heaps whole, nothing written
// past the plug-in's path buffers, and the analyser either painting its bars
// or cleanly off (the host's own paint left in the vis area).
//
// The program is built from the files of this folder: this header with what
// the cases share, checks.cpp (the skins' pictures, the path buffers, one
// case's checks), fault_files.cpp (skins and bitmaps made for
// the cases), and one file per family of faults: skin_file_faults.cpp,
// host_answer_faults.cpp and life_cycle_faults.cpp.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "tests/support/bitmap_kinds.h"
#include "tests/support/draw_fixtures.h"
#include "tests/support/locator_fixtures.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/scenario_skins.h"
#include "tests/support/skin_files.h"
#include "tests/support/vis_checks.h"

namespace faults {

extern int casesRun;   // one per input driven through the library

const COLORREF kBarNew = RGB(250, 120, 0);
// Exact at every depth: 1-bit palettes as much as 5-5-5 and 5-6-5 pixels.
const COLORREF kFrameF = RGB(0, 255, 0);
const COLORREF kBackgroundF = RGB(255, 0, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kMarker = RGB(1, 2, 3);

// The same as defaults, with the companion's skin notices followed.
const char kNoticeDefaults[] =
    "[ZELPIN]\r\nDependQuelbix=1\r\nRatio=100\r\nBlendMethod=0\r\nAnalyzerMode=2\r\n";

const size_t kPathRoom = MAX_PATH;

// --- Pictures of the 76 x 16 vis area (checks.cpp) ----------------------------

extern const Picture kAlphaBars;
extern const Picture kBetaBars;
extern const Picture kAlphaOff;   // the host's paint with skin Alpha

// Loud columns of one colour with a dot of one colour on top, whatever the
// colours are (for colour files of random bytes), over the given background.
Picture UniformBars(HWND window, COLORREF quiet);

// --- Health of the process (checks.cpp) ---------------------------------------

// The longest run of one byte anywhere in the library's image: a copy that
// ran past a 260-character global would leave a longer one.
size_t LongestRun(HMODULE library, unsigned char byte);
void ExpectNoRunPastPath(HMODULE library, char marker, const std::string& what);

// --- Files (fault_files.cpp) ----------------------------------------------------

// Frame colour outside the vis area, background colour inside it.
COLORREF TestPixel(int x, int y);
// A skin folder; its "main.bmp" is the whole main window (as the signature
// locator needs) or just the 100 x 59 corner that holds the vis area.
std::string MakeSkin(const std::string& folder, COLORREF frame, COLORREF background, COLORREF bar,
                     const std::string& settings = kSolid, bool wholeWindow = false);
// A copy of the library in a folder of its own, with its defaults file.
std::string Install(const std::string& folder, const std::string& pluginIni);
// A bitmap kind's file of the test picture as the 100 x 59 corner; with runs
// of its own, a run-length kind's runs are whatever those bytes say.
Bytes CornerFile(const char* kind, const std::string& ownRuns = "");
std::string RandomBytes(std::mt19937& random, size_t size);
std::string Repeat(const std::string& unit, size_t count);

// --- Driving the library (checks.cpp) -----------------------------------------

// One case: the picture (or, where the platform's own loader decides, the
// alternative it may make instead), the host answering, the heaps whole.
bool Check(HWND window, const winampVisModule* module, const Picture& want, const std::string& what,
           const Picture& orElse = nullptr);
bool Check(StandInHost& host, const Picture& want, const std::string& what,
           const Picture& orElse = nullptr);
void Notice(StandInHost& host, const std::string& name);

// The library loaded as a player loads it, driven on the calling thread.
class Library {
public:
    explicit Library(const std::string& path) : dll(LoadLibraryA(path.c_str())), module(nullptr)
    {
        winampVisGetHeaderType getHeader =
            dll ? reinterpret_cast<winampVisGetHeaderType>(
                      reinterpret_cast<void (*)()>(GetProcAddress(dll, "winampVisGetHeader")))
                : nullptr;
        module = getHeader ? getHeader()->getModule(0) : nullptr;
        if (module) module->hDllInstance = dll;
    }
    ~Library()
    {
        if (module) module->Quit(module);
        if (dll) FreeLibrary(dll);
    }
    int Init(HWND window)
    {
        module->hwndParent = window;
        return module->Init(module);
    }
    int Render(unsigned char loud, int times = 1)
    {
        std::vector<unsigned char> data = Spectrum(loud);
        int result = 0;
        for (int i = 0; i < times; ++i) {
            module->sRate = 44100;
            module->nCh = 2;
            std::memcpy(module->spectrumData, data.data(), data.size());
            result |= module->Render(module);
        }
        return result;
    }
    void Quit() { module->Quit(module); }

    HMODULE dll;
    winampVisModule* module;

    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

// --- Two skins and two installed copies, one following skin notices ---------

class Installed : public ::testing::Test {
protected:
    Installed()
    {
        MakeFolder(root / "Skins");
        MakeSkin(root / "Skins\\Alpha", kFrameA, kBackgroundA, kBarA, kSolid, true);
        MakeSkin(root / "Skins\\Beta", kFrameB, kBackgroundB, kBarB, kSolid, true);
        repaintWatch = Install(root / "Plugins", "");
        noticeWatch = Install(root / "Notice", kNoticeDefaults);
    }

    TempFolder root{"faults"};
    std::string repaintWatch;
    std::string noticeWatch;
};

// --- The stand-in host with those skins and copies ----------------------------

class Faults : public Installed {
protected:
    Faults()
    {
        options.skinsFolder = root / "Skins";
        options.skin = "Alpha";
    }

    void Open(StandInHost& h, int version, bool notices)
    {
        StandInHost::Options o = options;
        o.version = version;
        o.pluginPath = notices ? noticeWatch : repaintWatch;
        ASSERT_TRUE(h.Open(o));
    }

    // A running plug-in that has loaded skin Alpha, in a host that sends skin
    // notices (0x1FFF) or one that repaints (0x2004).
    void Start(StandInHost& h, bool notices, const std::string& what = "start")
    {
        Open(h, notices ? 0x1FFF : 0x2004, notices);
        ASSERT_EQ(0, h.LoadPlugin()) << what;
        Settle(h);
        ASSERT_TRUE(Shows(h.Window(), kAlphaBars, what));
    }
    static void ChangeSkin(StandInHost& h, bool notices, const char* name)
    {
        if (notices)
            Notice(h, name);
        else
            h.SwitchSkin(name);
    }

    StandInHost::Options options;
    StandInHost host;
};

}  // namespace faults
