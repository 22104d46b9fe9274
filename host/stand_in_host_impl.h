// The stand-in host's inner state, shared by the files that make up
// StandInHost: the window and its skin, what the window received, the loaded
// plug-in and the frame loop, with the thread that touches each.
#pragma once

#include <windows.h>
#include <atomic>
#include <list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/capture_file.h"
#include "host/frame_source.h"
#include "host/stand_in_host.h"

// Requests that other threads make of the window thread.
enum : UINT {
    kSwitchSkin = WM_APP + 1,   // lParam: const std::string* skin name
    kSetDouble,                 // wParam: on
    kSetShaded,                 // wParam: on
    kRepaint,
    kRun,                       // lParam: const std::function<void()>*
    kClose,
};

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
