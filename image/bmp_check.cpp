#include "image/bmp_check.h"

#include <windows.h>

namespace {

const unsigned kMaskBytes = 3 * 4;
// Far beyond any skin image; keeps the loader from attempting huge sections.
const long long kMaxSide = 16384;

const DWORD kProfileLinked = 0x4C494E4B;    // 'LINK'
const DWORD kProfileEmbedded = 0x4D424544;  // 'MBED'

bool KnownInfoHeaderSize(DWORD size)
{
    // Core, info, its 52- and 56-byte extensions, V4 and V5. The 64-byte
    // OS/2 header gives compression codes other meanings, so it is refused.
    return size == kBmpCoreHeaderSize || size == kBmpInfoHeaderSize || size == 52 ||
           size == 56 || size == 108 || size == kBmpV5HeaderSize;
}

// What the headers promise: the dimensions, the bytes of header, masks and
// colour table before the pixels, and the bytes of pixel data.
struct Layout {
    long long width;
    long long height;       // absolute value; the sign only orders the rows
    unsigned bitCount;
    long long headerBytes;  // from the start of the file to the end of the colour table
    long long pixelBytes;
};

bool ReadCoreLayout(const unsigned char* info, Layout* layout)
{
    layout->width = BmpWord(info + 4);
    layout->height = BmpWord(info + 6);
    if (BmpWord(info + 8) != 1)
        return false;
    layout->bitCount = BmpWord(info + 10);
    if (layout->bitCount != 1 && layout->bitCount != 4 && layout->bitCount != 8 &&
        layout->bitCount != 24)
        return false;
    const long long colours = layout->bitCount <= 8 ? (1LL << layout->bitCount) : 0;
    layout->headerBytes = kBmpFileHeaderSize + kBmpCoreHeaderSize + colours * 3;
    layout->pixelBytes = -1;
    return true;
}

bool ReadInfoLayout(const unsigned char* info, DWORD infoSize, long long fileSize,
                    Layout* layout)
{
    const long long signedHeight = static_cast<LONG>(BmpDword(info + 8));
    layout->width = static_cast<LONG>(BmpDword(info + 4));
    layout->height = signedHeight < 0 ? -signedHeight : signedHeight;
    if (BmpWord(info + 12) != 1)
        return false;
    layout->bitCount = BmpWord(info + 14);
    const DWORD compression = BmpDword(info + 16);
    const DWORD sizeImage = BmpDword(info + 20);
    const DWORD clrUsed = BmpDword(info + 32);

    switch (compression) {
    case BI_RGB:
        if (layout->bitCount != 1 && layout->bitCount != 4 && layout->bitCount != 8 &&
            layout->bitCount != 16 && layout->bitCount != 24 && layout->bitCount != 32)
            return false;
        layout->pixelBytes = -1;
        break;
    case BI_BITFIELDS:
        if (layout->bitCount != 16 && layout->bitCount != 32)
            return false;
        layout->pixelBytes = -1;
        break;
    case BI_RLE8:
    case BI_RLE4:
        // Compressed rows run bottom-up only; their length is the stated size.
        if (layout->bitCount != (compression == BI_RLE8 ? 8u : 4u) || signedHeight < 0 ||
            sizeImage == 0)
            return false;
        layout->pixelBytes = sizeImage;
        break;
    default:
        return false;
    }

    if (clrUsed > 256)
        return false;
    long long colours = clrUsed;
    if (colours == 0 && layout->bitCount <= 8)
        colours = 1LL << layout->bitCount;
    long long headerPart = infoSize;
    if (compression == BI_BITFIELDS && headerPart < kBmpInfoHeaderSize + kMaskBytes)
        headerPart = kBmpInfoHeaderSize + kMaskBytes;
    layout->headerBytes = kBmpFileHeaderSize + headerPart + colours * 4;

    // A colour profile named by the header must lie inside the file as well.
    if (infoSize == kBmpV5HeaderSize) {
        const DWORD csType = BmpDword(info + 56);
        if (csType == kProfileLinked || csType == kProfileEmbedded) {
            const long long profileEnd = kBmpFileHeaderSize +
                                         static_cast<long long>(BmpDword(info + 112)) +
                                         BmpDword(info + 116);
            if (profileEnd > fileSize)
                return false;
        }
    }
    return true;
}

bool LayoutFits(const Layout& layout, DWORD pixelOffset, long long fileSize)
{
    if (layout.width <= 0 || layout.width > kMaxSide || layout.height <= 0 ||
        layout.height > kMaxSide)
        return false;
    if (layout.headerBytes > fileSize)
        return false;
    long long pixelBytes = layout.pixelBytes;
    if (pixelBytes < 0) {
        const long long rowBytes = (layout.width * layout.bitCount + 31) / 32 * 4;
        pixelBytes = rowBytes * layout.height;
    }
    long long start = layout.headerBytes;
    if (pixelOffset != 0) {
        if (pixelOffset < layout.headerBytes)
            return false;
        start = pixelOffset;
    }
    return start + pixelBytes <= fileSize;
}

}  // namespace

int BitmapFileLooksSound(const char* fileName)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size;
    unsigned char head[kBitmapHeadSize] = {};
    DWORD got = 0;
    const BOOL read = GetFileSizeEx(file, &size) &&
                      ReadFile(file, head, sizeof(head), &got, NULL);
    CloseHandle(file);
    return read ? BitmapHeadLooksSound(head, got, size.QuadPart) : 0;
}

int BitmapHeadLooksSound(const unsigned char* head, size_t headSize, long long fileSize)
{
    if (headSize < kBmpFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M')
        return 0;
    const DWORD pixelOffset = BmpDword(head + 10);
    const unsigned char* info = head + kBmpFileHeaderSize;
    const DWORD infoSize = BmpDword(info);
    if (!KnownInfoHeaderSize(infoSize) || headSize < kBmpFileHeaderSize + infoSize)
        return 0;

    Layout layout;
    const bool parsed = infoSize == kBmpCoreHeaderSize
                            ? ReadCoreLayout(info, &layout)
                            : ReadInfoLayout(info, infoSize, fileSize, &layout);
    return parsed && LayoutFits(layout, pixelOffset, fileSize) ? 1 : 0;
}
