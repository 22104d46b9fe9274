// The stand-in host on its own: window, ini, answers, painting, screenshots,
// the frame loop and its capture. The plug-in it drives here is a small fake
// exported by this very program, loaded through LoadLibrary like any other.
//
// The program is built from the files of this folder: this header, the fake
// plug-in (fake_plugin.cpp), the skins and files the cases use
// (fixtures.cpp), the window's own cases (window_tests.cpp) and the cases
// that drive the fake through the host (plugin_tests.cpp).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <atomic>
#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "tests/support/draw_fixtures.h"
#include "tests/support/skin_files.h"

namespace host_test {

// ---------------------------------------------------------------- the fake

struct FakeRecord {
    std::atomic<int> inits{0}, renders{0}, quits{0};
    std::atomic<int> initResult{0};
    DWORD initThread = 0;
    std::atomic<DWORD> renderThread{0};
    HWND parent = nullptr;
    HINSTANCE instance = nullptr;
    std::atomic<int> sRate{0}, nCh{0}, first{0}, last{0};
    std::atomic<int> namesSeen{0};
};
extern FakeRecord fake;
extern winampVisModule fakeModule;

// The vis area's fill for a spectrum byte: tells the captured frames apart.
COLORREF FillFor(int value);
void ResetFake(int initResult = 0);

// ---------------------------------------------------------------- fixtures

// A folder of this process's own, removed at exit.
std::string TestFolder();
Bytes ReadBytes(const std::string& path);
// A 275 x 116 24-bit bottom-up main bitmap of one colour, with one marked
// pixel at 5,5 (counted from the top).
Bytes MainBitmap(COLORREF fill, COLORREF mark);

const COLORREF kAlpha = RGB(10, 200, 30);
const COLORREF kBeta = RGB(200, 40, 120);
const COLORREF kMark = RGB(250, 1, 2);
const COLORREF kGrey = RGB(128, 128, 128);

// Skins: Alpha (its bitmap named in capitals), Beta, and Broken, whose
// bitmap is cut short; a folder of them made once for every case to share.
std::string MakeSkins(const std::string& name);
const std::string& Skins();
StandInHost::Options OptionsFor(const std::string& skin = "Alpha",
                                const std::string& skins = Skins());
SIZE WindowSize(HWND window);
std::string IniSkinDir(const std::string& ini);
// The loop renders by the clock, and an emulated CPU may be many times
// slower than a real one: waits for a number of frames, not for a time. The
// long limit only keeps a broken loop from hanging the test.
bool WaitForFrames(const StandInHost& host, long frames);

}  // namespace host_test
