#include "host/frame_source.h"

#include <windows.h>
#include <cstring>

FrameSource::FrameSource() : fill(FillSweep) {}

bool FrameSource::Load(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= kFrameBytes &&
              size.QuadPart < (LONGLONG(1) << 30);
    if (ok) {
        // A trailing partial frame is left out.
        std::vector<unsigned char> data(static_cast<size_t>(size.QuadPart / kFrameBytes) * kFrameBytes);
        DWORD got = 0;
        ok = ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) &&
             got == data.size();
        if (ok) {
            frames.swap(data);
            fill = FillFromFile;
        }
    }
    CloseHandle(file);
    return ok;
}

long FrameSource::FrameCount() const
{
    return static_cast<long>(frames.size() / kFrameBytes);
}

void FrameSource::Fill(long index, unsigned char (*spectrum)[576]) const
{
    fill(*this, index, spectrum);
}

void FrameSource::FillFromFile(const FrameSource& source, long index, unsigned char (*spectrum)[576])
{
    const unsigned char* frame = source.frames.data() +
        static_cast<size_t>(index % source.FrameCount()) * kFrameBytes;
    std::memcpy(spectrum[0], frame, 576);
    std::memcpy(spectrum[1], frame + 576, 576);
}

// A hump that sweeps up and down the low bins (where music has its energy)
// over a floor that falls with frequency, pulsing on every 30th frame, so
// every column of an analyser moves in turn.
void FrameSource::FillSweep(const FrameSource&, long index, unsigned char (*spectrum)[576])
{
    const int period = 240;
    int phase = static_cast<int>(index % period);
    int centre = phase < period / 2 ? phase * 2 : (period - phase) * 2;   // 0..240
    int pulse = static_cast<int>(index % 30) < 4 ? 60 : 0;
    for (int ch = 0; ch < 2; ++ch) {
        for (int bin = 0; bin < 576; ++bin) {
            int distance = bin - centre - ch * 8;
            if (distance < 0) distance = -distance;
            int hump = 230 - distance * 6;
            int floor = 120 - bin / 3 + pulse;
            int v = hump > floor ? hump : floor;
            spectrum[ch][bin] = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    }
}
