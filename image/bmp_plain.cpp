#include "image/bmp_plain.h"

namespace {

const unsigned kMaxColors = 256;

}  // namespace

bool ReadPlainLayout(const unsigned char* head, DWORD got, PlainBitmapLayout* layout)
{
    if (got < kBmpFileHeaderSize + kBmpInfoHeaderSize || head[0] != 'B' || head[1] != 'M')
        return false;
    const unsigned char* info = head + kBmpFileHeaderSize;
    const DWORD infoSize = BmpDword(info);
    if (infoSize < kBmpInfoHeaderSize || infoSize > kBmpV5HeaderSize || got < kBmpFileHeaderSize + infoSize)
        return false;
    layout->width = static_cast<LONG>(BmpDword(info + 4));
    layout->height = static_cast<LONG>(BmpDword(info + 8));
    layout->bitCount = BmpWord(info + 14);
    layout->pixelOffset = BmpDword(head + 10);
    const DWORD colorsUsed = BmpDword(info + 32);
    if (layout->width <= 0 || layout->height <= 0 || BmpWord(info + 12) != 1 ||
        BmpDword(info + 16) != BI_RGB || layout->pixelOffset == 0 || colorsUsed > kMaxColors)
        return false;
    switch (layout->bitCount) {
    case 1:
    case 4:
    case 8: {
        const unsigned entries = 1u << layout->bitCount;
        layout->colorCount = colorsUsed != 0 && colorsUsed < entries ? colorsUsed : entries;
        layout->tableEntries = colorsUsed != 0 ? colorsUsed : entries;
        break;
    }
    case 24:
    case 32:
        layout->colorCount = 0;
        layout->tableEntries = colorsUsed;
        break;
    default:
        return false;
    }
    if (got < kBmpFileHeaderSize + infoSize + layout->tableEntries * 4)
        return false;
    layout->infoSize = infoSize;
    layout->info = info;
    layout->colorTable = info + infoSize;
    layout->rowBytes = (layout->width * layout->bitCount + 31) / 32 * 4;
    return true;
}

bool ReadFileAt(HANDLE file, long long offset, void* buffer, DWORD size, DWORD* got)
{
    LARGE_INTEGER at;
    at.QuadPart = offset;
    *got = 0;
    return SetFilePointerEx(file, at, NULL, FILE_BEGIN) && ReadFile(file, buffer, size, got, NULL);
}
