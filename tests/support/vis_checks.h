// Driving the loaded plug-in through the stand-in host and judging what it
// did: spectra and frames, pictures of the 76 x 16 vis area, the health of
// the process, and a watchdog that turns a hang into a failed run.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/stand_in_host.h"

const int kLoudColumns = 37;   // bins 0..76 feed columns 0..36

// Both channels loud in bins 0..76, silent above.
std::vector<unsigned char> Spectrum(unsigned char loud);

// --- Pictures of the 76 x 16 vis area ----------------------------------------

typedef std::function<COLORREF(int x, int y)> Picture;

Picture Plain(COLORREF colour);
// Full loud columns (peak dot on top) and the skin's background in the rest.
Picture Bars(COLORREF peak, COLORREF bar, const Picture& quiet);
Picture Bars(COLORREF peak, COLORREF bar, COLORREF quiet);

// The vis area at the given scale (2: the double-size window's 152 x 32 at 48,86).
std::vector<COLORREF> VisArea(HWND window, int scale = 1);
// Pixels of the vis area that differ from the picture, each of its pixels
// scale x scale on screen (all of them when it cannot be read); the first few
// are described in *first.
int Differences(HWND window, const Picture& want, std::string* first = nullptr, int scale = 1);
bool Shows(HWND window, const Picture& want, const std::string& what, int scale = 1);
void FillVisArea(HWND window, COLORREF colour);

// --- Health of the process ----------------------------------------------------

// The host window answers, every heap is whole, the module record intact.
void ExpectHealthy(HWND window, const winampVisModule* module, const std::string& what);

// --- Driving the library --------------------------------------------------------

void Frames(StandInHost& host, unsigned char loud, int times);
// One frame for whatever reload is armed, then the host's own paint and two
// loud frames: an analyser that is off leaves that paint, one that runs
// paints its bars over it (a repaint arms a reload, which shows the bare
// background first).
void Settle(StandInHost& host);

// Ends the process when a phase makes no progress, so a hang fails the run
// rather than stalling it.
class Watchdog {
public:
    Watchdog(DWORD limitMs, const char* what)
        : done(CreateEventA(nullptr, TRUE, FALSE, nullptr)), limit(limitMs), name(what)
    {
        thread = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
    }
    ~Watchdog()
    {
        SetEvent(done);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        CloseHandle(done);
    }

    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Watch(void* param)
    {
        Watchdog* self = static_cast<Watchdog*>(param);
        if (WaitForSingleObject(self->done, self->limit) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "%s: no end after %lu ms, the host hangs\n", self->name,
                         static_cast<unsigned long>(self->limit));
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        return 0;
    }
    HANDLE done;
    HANDLE thread;
    DWORD limit;
    const char* name;
};
