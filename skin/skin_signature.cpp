#include "skin/skin_signature.h"

#include <cstring>
#include <new>

#include "image/bmp_sample.h"
#include "image/dib_surface.h"
#include "player/main_window.h"

// Spread over the main window's frame and title bar, clear of the vis area.
const SamplePoint samplePoints[32] = {
    {4, 16},   {48, 16},  {92, 16},  {137, 16}, {181, 16}, {225, 16}, {270, 16},
    {4, 35},   {270, 35},
    {4, 54},   {270, 54},
    {4, 73},   {270, 73},
    {48, 71},  {92, 71},  {137, 71}, {181, 71}, {225, 71},
    {48, 82},  {92, 82},  {137, 82}, {181, 82}, {225, 82},
    {4, 92},   {270, 92},
    {4, 111},  {48, 111}, {92, 111}, {137, 111}, {181, 111}, {225, 111}, {270, 111},
};

namespace {

// No 12-bit key has bit 12 set, so a signature holding this matches nothing.
const unsigned short kNoKey = 0xFFFF;

}  // namespace

unsigned short ColorKey(COLORREF color)
{
    return static_cast<unsigned short>(((GetRValue(color) >> 4) << 8) |
                                       ((GetGValue(color) >> 4) << 4) |
                                       (GetBValue(color) >> 4));
}

SkinSignature::SkinSignature()
{
    for (unsigned short& key : keys)
        key = kNoKey;
}

SkinSignature::~SkinSignature()
{
}

void SkinSignature::Sample(DibSurface* surface)
{
    for (int i = 0; i < 32; ++i)
        keys[i] = ColorKey(GetPixel(surface->memDC, samplePoints[i].x, samplePoints[i].y));
}

unsigned char SkinSignature::CountEqual(const SkinSignature& other) const
{
    unsigned char n = 0;
    for (int i = 0; i < 32; ++i) {
        if (keys[i] == other.keys[i])
            ++n;
    }
    return n;
}

NamedSkinSignature::NamedSkinSignature()
    : name(nullptr)
{
}

NamedSkinSignature::~NamedSkinSignature()
{
    if (name)
        GlobalFree(name);
}

int NamedSkinSignature::LoadFromSkin(const char* folder, const char* entryName)
{
    // A folder or bitmap path that would not fit is skipped: a cut one names
    // something else.
    char path[MAX_PATH] = "";
    if (!AppendToPath(path, folder) || !AppendToPath(path, "\\") ||
        !AppendToPath(path, entryName))
        return 0;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    // The file system matches names without regard to case: "MAIN.BMP" too.
    if (!AppendToPath(path, "\\main.BMP"))
        return 0;

    // Only 32 pixels are wanted: read straight from the file where its format
    // allows, else from the image the platform's loader makes of it.
    POINT points[32];
    for (int i = 0; i < 32; ++i)
        points[i] = {samplePoints[i].x, samplePoints[i].y};
    COLORREF colors[32];
    DibSurface* surface = nullptr;
    if (!SampleBitmapFile(path, points, 32, colors)) {
        surface = new (std::nothrow) DibSurface;
        if (!surface)
            return 0;
        if (!surface->Load(path, 0, 0)) {
            delete surface;
            return 0;
        }
    }

    if (name)
        GlobalFree(name);
    size_t length = strlen(entryName);
    name = static_cast<char*>(GlobalAlloc(GMEM_FIXED, length + 1));
    if (!name) {
        delete surface;
        return 0;
    }
    memcpy(name, entryName, length + 1);
    if (surface) {
        Sample(surface);
        delete surface;
    } else {
        for (int i = 0; i < 32; ++i)
            keys[i] = ColorKey(colors[i]);
    }
    return 1;
}

unsigned NamedSkinSignature::CopyName(char* dst, unsigned dstSize) const
{
    if (!name)
        return 0;
    size_t n = strlen(name);
    if (n >= dstSize)
        return 0;
    memcpy(dst, name, n + 1);
    return static_cast<unsigned>(n);
}

SignatureSkinLocator::SignatureSkinLocator(HWND window)
    : SkinLocator(window), entryCount(0)
{
}

SignatureSkinLocator::~SignatureSkinLocator()
{
    while (entryCount > 0)
        delete entries[--entryCount];
}

int SignatureSkinLocator::RefreshSkins()
{
    while (entryCount > 0)
        delete entries[--entryCount];

    // An empty folder means none is known; listing "*.*" would list the
    // current folder instead.
    if (!skinsFolder[0])
        return 1;
    char pattern[MAX_PATH] = "";
    if (!AppendToPath(pattern, skinsFolder) || !AppendToPath(pattern, "\\*.*"))
        return 1;

    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE)
        return 1;
    do {
        if (strcmp(found.cFileName, "..") != 0 && strcmp(found.cFileName, ".") != 0)
            AddSkin(found.cFileName);
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
    return 1;
}

int SignatureSkinLocator::AddSkin(const char* entryName)
{
    if (entryCount >= 256)
        return 0;
    NamedSkinSignature* entry = new (std::nothrow) NamedSkinSignature;
    if (!entry)
        return 0;
    if (!entry->LoadFromSkin(skinsFolder, entryName)) {
        delete entry;
        return 0;
    }
    entries[entryCount++] = entry;
    return 1;
}

void SignatureSkinLocator::TakeSnapshot()
{
    RECT rect;
    if (GetWindowMode(&rect) == 2)
        return;
    DibSurface* surface = new (std::nothrow) DibSurface;
    if (!surface)
        return;
    if (!surface->Create(kMainWindowWidth, kMainWindowHeight, 24)) {
        delete surface;
        return;
    }
    HDC windowDC = GetDC(window);
    if (!windowDC) {
        delete surface;
        return;
    }
    BOOL copied = StretchBlt(surface->memDC, 0, 0, kMainWindowWidth, kMainWindowHeight, windowDC, 0, 0,
                             rect.right - rect.left, rect.bottom - rect.top, SRCCOPY);
    ReleaseDC(window, windowDC);
    // A failed copy leaves blank pixels that could match a skin: keep the
    // previous picture instead.
    if (copied)
        Sample(surface);
    delete surface;
}

int SignatureSkinLocator::BestMatch(const SkinSignature& shown, unsigned char* points) const
{
    int best = -1;
    unsigned char bestCount = 0;
    for (unsigned i = 0; i < entryCount; ++i) {
        const unsigned char n = shown.CountEqual(*entries[i]);
        if (n > bestCount) {
            best = static_cast<int>(i);
            bestCount = n;
        }
    }
    *points = bestCount;
    return best;
}

int SignatureSkinLocator::GetCurrentSkin(char* pathBuf, char* nameBuf)
{
    TakeSnapshot();
    pathBuf[0] = '\0';

    unsigned char points;
    const int match = BestMatch(*this, &points);
    if (match < 0)
        return 0;
    const NamedSkinSignature* best = entries[match];

    size_t folderLength = strnlen(skinsFolder, MAX_PATH);
    if (folderLength == 0 || folderLength >= MAX_PATH)
        return 0;
    memcpy(pathBuf, skinsFolder, folderLength + 1);
    unsigned n = best->CopyName(pathBuf + folderLength,
                                static_cast<unsigned>(MAX_PATH - folderLength));
    if (n == 0) {
        // No room for the name: no skin is known, so no path either.
        pathBuf[0] = '\0';
        return 0;
    }
    if (nameBuf)
        memcpy(nameBuf, pathBuf + folderLength, n + 1);
    return static_cast<int>(folderLength + n);
}
