#include "host/bmp_file.h"

#include <windows.h>
#include <cstdint>
#include <cstring>

namespace {

uint32_t Le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Le16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void PutLe32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutLe16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

const int kFileHeaderSize = 14;
const int kInfoHeaderSize = 40;

}  // namespace

bool BmpFileIsSound(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    unsigned char head[kFileHeaderSize + kInfoHeaderSize];
    DWORD got = 0;
    bool read = GetFileSizeEx(file, &size) &&
                ReadFile(file, head, sizeof head, &got, nullptr) && got == sizeof head;
    CloseHandle(file);
    if (!read || head[0] != 'B' || head[1] != 'M') return false;

    const unsigned char* info = head + kFileHeaderSize;
    const int64_t offBits = Le32(head + 10);
    const int64_t infoSize = Le32(info);
    const int64_t width = static_cast<int32_t>(Le32(info + 4));
    int64_t height = static_cast<int32_t>(Le32(info + 8));
    const int planes = Le16(info + 12);
    const int bits = Le16(info + 14);
    const uint32_t compression = Le32(info + 16);
    const int64_t colorsUsed = Le32(info + 32);
    if (height < 0) height = -height;
    if (infoSize < kInfoHeaderSize || planes != 1 || width <= 0 || height <= 0 ||
        width > 65535 || height > 65535)
        return false;

    int64_t extra = 0;   // colour table or channel masks after the info header
    switch (bits) {
    case 1: case 4: case 8:
        if (compression != BI_RGB || colorsUsed > (int64_t(1) << bits)) return false;
        extra = 4 * (colorsUsed ? colorsUsed : (int64_t(1) << bits));
        break;
    case 16: case 32:
        if (compression == BI_BITFIELDS) {
            if (infoSize == kInfoHeaderSize) extra = 12;
        } else if (compression != BI_RGB) {
            return false;
        }
        break;
    case 24:
        if (compression != BI_RGB) return false;
        break;
    default:
        return false;
    }
    const int64_t stride = (width * bits + 31) / 32 * 4;
    return offBits >= kFileHeaderSize + infoSize + extra &&
           size.QuadPart >= offBits + stride * height;
}

bool WriteBmp24(const std::string& path, int width, int height,
                const std::vector<unsigned char>& bgrTopDown)
{
    if (width <= 0 || height <= 0 ||
        bgrTopDown.size() != static_cast<size_t>(width) * height * 3)
        return false;
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = stride * height;
    std::vector<unsigned char> out(kFileHeaderSize + kInfoHeaderSize + pixelBytes, 0);
    unsigned char* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    PutLe32(p + 2, static_cast<uint32_t>(out.size()));
    PutLe32(p + 10, kFileHeaderSize + kInfoHeaderSize);
    unsigned char* info = p + kFileHeaderSize;
    PutLe32(info, kInfoHeaderSize);
    PutLe32(info + 4, width);
    PutLe32(info + 8, height);
    PutLe16(info + 12, 1);
    PutLe16(info + 14, 24);
    PutLe32(info + 20, pixelBytes);
    unsigned char* pixels = info + kInfoHeaderSize;
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + static_cast<size_t>(height - 1 - y) * stride,
                    bgrTopDown.data() + static_cast<size_t>(y) * width * 3,
                    static_cast<size_t>(width) * 3);

    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr) &&
              written == out.size();
    CloseHandle(file);
    return ok;
}
