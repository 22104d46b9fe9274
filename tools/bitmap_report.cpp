// zelpin_skin_check's main bitmap report: whether main.bmp loads, its size
// and depth, whether the analyser area lies inside it, and that area's
// colours with a text picture of it.
#include "tools/skin_check.h"

#include <cstdio>
#include <cstring>

#include "draw/strip_builder.h"
#include "image/bmp_check.h"
#include "image/dib_surface.h"
#include "player/main_window.h"

namespace skin_check {

namespace {

const char kLetters[] = "ABCDEFGHIJKLMNOP";
const int kMostLetters = sizeof(kLetters) - 1;
const char kShades[] = " .:-=+*#%@";

struct Tally {
    COLORREF color;
    int count;
};

// The kinds of image files a skin maker may save under the name main.bmp,
// by their first bytes.
struct Kind {
    const char* magic;
    size_t length;
    const char* name;
};
const Kind kOtherKinds[] = {
    {"\x89PNG", 4, "a PNG image"},        {"\xFF\xD8\xFF", 3, "a JPEG image"},
    {"GIF8", 4, "a GIF image"},           {"II*\0", 4, "a TIFF image"},
    {"MM\0*", 4, "a TIFF image"},         {"\0\0\1\0", 4, "an icon"},
    {"RIFF", 4, "a RIFF file (WebP?)"},   {"8BPS", 4, "a Photoshop image"},
};

// What a file that is not a bitmap file is instead, by its first bytes; null
// when none of the kinds above.
const char* OtherKind(const char* path)
{
    char head[8] = {};
    FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    for (const Kind& kind : kOtherKinds)
        if (got >= kind.length && std::memcmp(head, kind.magic, kind.length) == 0) return kind.name;
    return nullptr;
}

// The analyser's background, composed as the bar strip builder lays it.
void ReportBackground(DibSurface& image)
{
    DibSurface area;
    if (!area.Create(kVisWidth, kVisHeight, 24)) {
        std::printf("  (no memory for the analyser area)\n");
        return;
    }
    LayVisBackground(area.memDC, image);

    static COLORREF pixels[kVisHeight][kVisWidth];
    static Tally tally[kVisWidth * kVisHeight];
    int distinct = 0;
    unsigned long sum[3] = {0, 0, 0};
    for (int y = 0; y < kVisHeight; ++y) {
        const unsigned char* row = area.pixels + (kVisHeight - 1 - y) * area.stride;
        for (int x = 0; x < kVisWidth; ++x) {
            const COLORREF c = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            pixels[y][x] = c;
            sum[0] += GetRValue(c);
            sum[1] += GetGValue(c);
            sum[2] += GetBValue(c);
            int i = 0;
            while (i < distinct && tally[i].color != c) ++i;
            if (i == distinct) tally[distinct++] = Tally{c, 0};
            ++tally[i].count;
        }
    }
    // Most frequent first; equal counts keep the order of first appearance.
    for (int i = 1; i < distinct; ++i)
        for (int j = i; j > 0 && tally[j].count > tally[j - 1].count; --j) {
            const Tally t = tally[j];
            tally[j] = tally[j - 1];
            tally[j - 1] = t;
        }

    const int n = kVisWidth * kVisHeight;
    std::printf("  average colour %lu,%lu,%lu; %d colour%s\n", (sum[0] + n / 2) / n,
                (sum[1] + n / 2) / n, (sum[2] + n / 2) / n, distinct, distinct == 1 ? "" : "s");
    const bool lettered = distinct <= kMostLetters;
    if (lettered) {
        for (int i = 0; i < distinct; ++i)
            std::printf("  %c = %u,%u,%u (%d pixel%s)\n", kLetters[i], GetRValue(tally[i].color),
                        GetGValue(tally[i].color), GetBValue(tally[i].color), tally[i].count,
                        tally[i].count == 1 ? "" : "s");
    } else {
        std::printf("  shown by brightness, dark \"%c\" to light \"%c\"\n", kShades[0],
                    kShades[sizeof kShades - 2]);
    }
    std::printf("  +");
    for (int x = 0; x < kVisWidth; ++x) std::putchar('-');
    std::printf("+\n");
    for (int y = 0; y < kVisHeight; ++y) {
        std::printf("  |");
        for (int x = 0; x < kVisWidth; ++x) {
            const COLORREF c = pixels[y][x];
            if (lettered) {
                int i = 0;
                while (tally[i].color != c) ++i;
                std::putchar(kLetters[i]);
            } else {
                const int luma = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
                std::putchar(kShades[luma * (sizeof kShades - 1) / 256]);
            }
        }
        std::printf("|\n");
    }
    std::printf("  +");
    for (int x = 0; x < kVisWidth; ++x) std::putchar('-');
    std::printf("+\n");
}

}  // namespace

BitmapUse LoadMainBitmap(const char* path, DibSurface* image)
{
    if (!FileExists(path)) return BitmapUse::Missing;
    if (!BitmapFileLooksSound(path)) return OtherKind(path) ? BitmapUse::OtherKind : BitmapUse::Unsound;
    return image->Load(path, 0, 0) ? BitmapUse::Loads : BitmapUse::Fails;
}

const char* BitmapUseText(BitmapUse use, const char* path)
{
    switch (use) {
    case BitmapUse::Missing: return "missing";
    case BitmapUse::Unsound: return "cut short or malformed";
    case BitmapUse::OtherKind: return OtherKind(path);
    case BitmapUse::Fails: return "does not load";
    case BitmapUse::Loads: break;
    }
    return "loads";
}

bool ReportBitmap(const char* path, bool read)
{
    char onDisk[MAX_PATH];
    NameOnDisk(path, "main.bmp", onDisk, sizeof onDisk);
    std::printf("\nMain bitmap: ");
    PrintFileName(onDisk, "main.bmp");
    std::printf("%s\n", read ? "" : " (not read while Enable is 0)");

    const char* keeps = "the plug-in builds no bar frames for this skin and draws those of the "
                        "skin before it (black ones when there was none)";
    DibSurface image;
    switch (LoadMainBitmap(path, &image)) {
    case BitmapUse::Missing:
        std::printf("  missing: %s\n", keeps);
        return false;
    case BitmapUse::OtherKind:
        std::printf("  not a bitmap file but %s (save it as a Windows BMP), not loaded:\n"
                    "  %s\n", OtherKind(path), keeps);
        return false;
    case BitmapUse::Unsound: {
        WIN32_FILE_ATTRIBUTE_DATA about = {};
        GetFileAttributesExA(path, GetFileExInfoStandard, &about);
        std::printf("  not a complete bitmap file (%lu bytes: cut short or malformed), not loaded:\n"
                    "  %s\n", about.nFileSizeLow, keeps);
        return false;
    }
    case BitmapUse::Fails:
        std::printf("  does not load: %s\n", keeps);
        return false;
    case BitmapUse::Loads:
        break;
    }
    const int width = image.header->biWidth;
    const int height = image.header->biHeight < 0 ? -image.header->biHeight : image.header->biHeight;
    std::printf("  loads: %d x %d, %u bits per pixel\n", width, height, image.header->biBitCount);
    if (width >= kVisLeft + kVisWidth && height >= kVisTop + kVisHeight) {
        std::printf("  the %d x %d analyser area at %d,%d lies inside the image\n", kVisWidth,
                    kVisHeight, kVisLeft, kVisTop);
    } else {
        const int w = width > kVisLeft ? (width - kVisLeft < kVisWidth ? width - kVisLeft : kVisWidth) : 0;
        const int h = height > kVisTop ? (height - kVisTop < kVisHeight ? height - kVisTop : kVisHeight) : 0;
        std::printf("  the %d x %d analyser area at %d,%d reaches beyond the image: %d x %d of it\n"
                    "  come from the image, the rest stays black\n",
                    kVisWidth, kVisHeight, kVisLeft, kVisTop, w, h);
    }
    ReportBackground(image);
    return true;
}

}  // namespace skin_check
