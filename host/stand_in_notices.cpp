// What the stand-in host saw and shows: the messages its window received
// and the last WM_COPYDATA, skin notices sent as a companion program sends
// them, and the window's pixels read back.
#include "host/stand_in_host_impl.h"

#include "host/bmp_file.h"
#include "host/window_pixels.h"

void StandInHost::Impl::Record(UINT message, WPARAM wParam, LPARAM lParam)
{
    EnterCriticalSection(&lock);
    ++seen[std::make_pair(message, wParam)];
    firstArrival.emplace(std::make_pair(message, lParam), ++arrivals);
    if (message == WM_COPYDATA && lParam) {
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const unsigned char* bytes = static_cast<const unsigned char*>(data->lpData);
        lastCopyCode = data->dwData;
        lastCopyData.assign(bytes, bytes + (bytes ? data->cbData : 0));
    }
    LeaveCriticalSection(&lock);
}

// Sent from the calling thread, never the window thread, as a separate
// program's notice arrives.
LRESULT StandInHost::SendSkinNotice(const void* data, DWORD cbData, ULONG_PTR code)
{
    if (!impl->window) return 0;
    COPYDATASTRUCT notice;
    notice.dwData = code;
    notice.cbData = cbData;
    notice.lpData = const_cast<void*>(data);
    return SendMessageA(impl->window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
}

COLORREF StandInHost::PixelAt(int x, int y) const
{
    if (!impl->window) return CLR_INVALID;
    HDC dc = GetDC(impl->window);
    if (!dc) return CLR_INVALID;
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(impl->window, dc);
    return colour;
}

std::vector<COLORREF> StandInHost::CaptureVisArea() const
{
    std::vector<COLORREF> colours;
    RECT area;
    std::vector<unsigned char> bgr;
    if (!impl->window || !VisAreaRect(impl->window, area) ||
        !ReadWindowPixels(impl->window, area.left, area.top, area.right - area.left,
                          area.bottom - area.top, bgr))
        return colours;
    colours.reserve(bgr.size() / 3);
    for (size_t i = 0; i + 2 < bgr.size(); i += 3)
        colours.push_back(RGB(bgr[i + 2], bgr[i + 1], bgr[i]));
    return colours;
}

bool StandInHost::SaveScreenshot(const std::string& bmpPath) const
{
    RECT r;
    std::vector<unsigned char> bgr;
    if (!impl->window || !GetWindowRect(impl->window, &r)) return false;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    return ReadWindowPixels(impl->window, 0, 0, w, h, bgr) && WriteBmp24(bmpPath, w, h, bgr);
}

long StandInHost::MessagesSeen(UINT message, WPARAM wParam) const
{
    EnterCriticalSection(&impl->lock);
    auto it = impl->seen.find(std::make_pair(message, wParam));
    long count = it == impl->seen.end() ? 0 : it->second;
    LeaveCriticalSection(&impl->lock);
    return count;
}

long StandInHost::FirstArrival(UINT message, LPARAM lParam) const
{
    EnterCriticalSection(&impl->lock);
    auto it = impl->firstArrival.find(std::make_pair(message, lParam));
    long order = it == impl->firstArrival.end() ? 0 : it->second;
    LeaveCriticalSection(&impl->lock);
    return order;
}

std::vector<unsigned char> StandInHost::LastCopyData(ULONG_PTR* code) const
{
    EnterCriticalSection(&impl->lock);
    std::vector<unsigned char> data = impl->lastCopyData;
    if (code) *code = impl->lastCopyCode;
    LeaveCriticalSection(&impl->lock);
    return data;
}
