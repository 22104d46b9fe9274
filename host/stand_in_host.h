// The stand-in host: a player's main window, its ini file and Skins folder,
// its answers to the plug-in's messages, and the frame loop that drives a
// visualisation plug-in loaded from its Plugins folder. The program in
// main.cpp and the end-to-end tests both use it.
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "player/main_window.h"
#include "player/vis_plugin.h"

class StandInHost {
public:
    struct Options {
        int version = 0x2004;       // answer to IPC_GETVERSION
        std::string skinsFolder;    // where the skins live; "" = <exe dir>\Skins
        std::string skin;           // current skin (folder name inside skinsFolder)
        std::string pluginPath;     // plug-in library; "" = <exe dir>\Plugins\vis_zelpin.dll
        bool getSkinAnswersNull = false;  // IPC_GETSKIN answers 0 (a broken host)
    };

    StandInHost();
    // Stops the frame loop, calls Quit (when Init succeeded, as a player
    // does), unloads the library and closes the window.
    ~StandInHost();

    // Writes the host ini (kPlayerIniSection, kPlayerSkinDirKey) beside the
    // executable, creates the main window (kMainWindowWidth x kMainWindowHeight) on the host's own window
    // thread and paints the current skin.
    bool Open(const Options& options);
    HWND Window() const;
    std::string IniPath() const;       // <exe path without extension>.ini
    std::string SkinsFolder() const;   // full path, no trailing backslash

    // Loads the plug-in, fills hwndParent and hDllInstance, calls Init on the
    // calling thread. Returns Init's result, or -1 when the library, its
    // export or its module is missing (or a plug-in is already loaded).
    int LoadPlugin();
    winampVisModule* Module() const;
    HMODULE Library() const;
    void UnloadPlugin(bool callQuit = true);

    // One Render on the calling thread with the given spectrum (2 x 576 bytes)
    // and sample rate / channel count.
    int RenderFrame(const unsigned char* spectrum, int sRate = 44100, int nCh = 2);

    // The visualisation thread: Render about 60 times a second, fed from a
    // frames file (576 x 2 bytes a frame, replayed in real time and looping)
    // or, when framesFile is "", from a synthetic sweep. With a captureFile,
    // the vis area is recorded right after each Render (see capture_file.h).
    bool StartFrameLoop(const std::string& framesFile, int fps = 60,
                        const std::string& captureFile = std::string());
    void StopFrameLoop();
    long FramesRendered() const;

    // Window-thread actions, as the user or the player would do them.
    void SwitchSkin(const std::string& skin);   // repaints with UpdateWindow
    void SetDoubleSize(bool on);
    void SetShaded(bool on);
    void Repaint();
    // A skin notice, sent as a companion program would (WM_COPYDATA, kSkinNoticeCode).
    LRESULT SendSkinNotice(const void* data, DWORD cbData, ULONG_PTR code = kSkinNoticeCode);
    // Runs work on the window thread between two of its messages, so the
    // window neither paints nor handles anything meanwhile.
    void OnWindowThread(const std::function<void()>& work);

    // Pixels of the host window as they show now (read from the window's DC).
    COLORREF PixelAt(int x, int y) const;
    // The vis area (76 x 16 at normal size, 152 x 32 at double size) as
    // 0x00BBGGRR values, row by row from the top; empty while shaded.
    std::vector<COLORREF> CaptureVisArea() const;
    // The whole window as a 24-bit BMP file.
    bool SaveScreenshot(const std::string& bmpPath) const;

    // What the host window received, counted on its own thread.
    long MessagesSeen(UINT message, WPARAM wParam = 0) const;
    // When the first message with this lParam arrived, counting every message
    // the window received from 1; 0 when none did.
    long FirstArrival(UINT message, LPARAM lParam) const;
    // The bytes and data code of the last WM_COPYDATA the window received.
    std::vector<unsigned char> LastCopyData(ULONG_PTR* code = nullptr) const;

private:
    struct Impl;
    Impl* impl;
};
