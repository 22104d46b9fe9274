// Helpers for the skin locator tests: a window that answers the host's
// messages and shows a bitmap, 24-bit BMP files, temporary folders, and the
// host ini beside the test program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// A borderless top-level window at the screen's top-left corner, owned by
// the test program's instance, answering the host's version and skin
// messages. It paints its bitmap stretched over the whole window.
class FakeHost {
public:
    FakeHost(int width, int height);
    ~FakeHost();
    void Resize(int width, int height);
    // Shows a bitmap file (empty name: black) and repaints at once.
    void Show(const std::string& bmpFile);
    void Destroy();

    HWND hwnd;
    LRESULT version;          // answer to the version message
    std::string pathBytes;    // copied as is into the buffer of the skin message
    const char* skinName;     // answer to the skin message (null answers 0)

    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

private:
    void Repaint();
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HBITMAP image;
};

#include "tests/support/skin_files.h"

void WriteSolidBmp(const std::string& path, int width, int height, COLORREF colour);

class SkinLocator;
// The locator's answer as "length|path|name", the name "(unset)" when the
// locator leaves its buffer alone.
std::string Ask(SkinLocator& loc);

// The test program's ".ini" (the host ini as a
// locator built in this process sees it).
std::string HostIniPath();
// Rewrites the host ini with a write time never used before, so the
// platform's profile cache sees a new file.
void WriteHostIni(const std::string& text);
