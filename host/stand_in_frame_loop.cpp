// The stand-in host's frame loop: the visualisation thread that calls
// Render about 60 times a second with spectra from a frames file and records
// the vis area, and the single Render on the caller's thread.
#include "host/stand_in_host_impl.h"

#include <mmsystem.h>
#include <cstring>

#include "host/window_pixels.h"

DWORD WINAPI StandInHost::Impl::LoopThread(void* param)
{
    static_cast<Impl*>(param)->FrameLoop();
    return 0;
}

// Frames are taken by the clock, so a late Render skips ahead rather than
// slowing the music down.
void StandInHost::Impl::FrameLoop()
{
    timeBeginPeriod(1);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::vector<unsigned char> pixels;
    while (!stopLoop.load()) {
        QueryPerformanceCounter(&now);
        const LONGLONG slot = (now.QuadPart - start.QuadPart) * fps / frequency.QuadPart;
        module->sRate = 44100;
        module->nCh = 2;
        source.Fill(static_cast<long>(slot), module->spectrumData);
        module->Render(module);
        ++framesRendered;

        RECT area;
        if (capture.IsOpen() && VisAreaRect(window, area) &&
            ReadWindowPixels(window, area.left, area.top, area.right - area.left,
                             area.bottom - area.top, pixels))
            capture.WriteFrame(static_cast<unsigned long>(slot), area.right - area.left,
                               area.bottom - area.top, pixels);

        const LONGLONG next = start.QuadPart + (slot + 1) * frequency.QuadPart / fps;
        QueryPerformanceCounter(&now);
        if (now.QuadPart < next)
            Sleep(static_cast<DWORD>((next - now.QuadPart) * 1000 / frequency.QuadPart + 1));
    }
    capture.Close();
    timeEndPeriod(1);
}

int StandInHost::RenderFrame(const unsigned char* spectrum, int sRate, int nCh)
{
    winampVisModule* module = impl->module;
    if (!module) return -1;
    module->sRate = sRate;
    module->nCh = nCh;
    if (spectrum)
        std::memcpy(module->spectrumData, spectrum, sizeof module->spectrumData);
    else
        std::memset(module->spectrumData, 0, sizeof module->spectrumData);
    return module->Render(module);
}

bool StandInHost::StartFrameLoop(const std::string& framesFile, int fps,
                                 const std::string& captureFile)
{
    if (!impl->module || impl->loopThread || fps <= 0 || fps > 1000) return false;
    impl->source = FrameSource();
    if (!framesFile.empty() && !impl->source.Load(framesFile)) return false;
    if (!captureFile.empty() && !impl->capture.Open(captureFile, fps)) return false;
    impl->fps = fps;
    impl->stopLoop = false;
    impl->loopThread = CreateThread(nullptr, 0, Impl::LoopThread, impl, 0, nullptr);
    if (!impl->loopThread) impl->capture.Close();
    return impl->loopThread != nullptr;
}

void StandInHost::StopFrameLoop()
{
    if (!impl->loopThread) return;
    impl->stopLoop = true;
    WaitForSingleObject(impl->loopThread, INFINITE);
    CloseHandle(impl->loopThread);
    impl->loopThread = nullptr;
}

long StandInHost::FramesRendered() const
{
    return impl->framesRendered.load();
}
