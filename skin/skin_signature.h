// Identifies the current skin from 32 sampled pixels of the host window, for
// host versions that cannot report it.
#pragma once

#include "skin/skin_locator.h"

class DibSurface;

struct SamplePoint {
    int x;
    int y;
};
extern const SamplePoint samplePoints[32];

// The 12-bit key of a pixel colour (0x00BBGGRR).
unsigned short ColorKey(COLORREF color);

class SkinSignature {
public:
    SkinSignature();
    virtual ~SkinSignature();
    void Sample(DibSurface* surface);
    unsigned char CountEqual(const SkinSignature& other) const;

    unsigned short keys[32];
};

class NamedSkinSignature : public SkinSignature {
public:
    NamedSkinSignature();
    ~NamedSkinSignature() override;
    int LoadFromSkin(const char* folder, const char* entryName);
    unsigned CopyName(char* dst, unsigned dstSize) const;

    char* name;   // GlobalAlloc'd

    NamedSkinSignature(const NamedSkinSignature&) = delete;
    NamedSkinSignature& operator=(const NamedSkinSignature&) = delete;
};

class SignatureSkinLocator : public SkinLocator, public SkinSignature {
public:
    explicit SignatureSkinLocator(HWND window);
    ~SignatureSkinLocator() override;
    int GetCurrentSkin(char* pathBuf, char* nameBuf) override;
    int RefreshSkins() override;
    int AddSkin(const char* entryName);
    void TakeSnapshot();
    // The catalogued skin a window showing `shown` is taken for: the first
    // with the most equal points; -1 when no point agrees.
    int BestMatch(const SkinSignature& shown, unsigned char* points) const;

    NamedSkinSignature* entries[256];
    unsigned entryCount;
};
