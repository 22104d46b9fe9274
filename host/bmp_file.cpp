#include "host/bmp_file.h"

#include <windows.h>
#include <cstdint>
#include <cstring>

namespace {

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
