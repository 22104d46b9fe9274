// Finds the host's current skin, its Skins folder and its window mode.
#pragma once

#include <windows.h>

class SkinLocator {
public:
    virtual ~SkinLocator();
    // Fills pathBuf (260) with the current skin's folder and nameBuf (260, or
    // null) with its name; returns the path's length, 0 when none is known.
    virtual int GetCurrentSkin(char* pathBuf, char* nameBuf) = 0;
    virtual int RefreshSkins() = 0;

    // 0 normal, 1 double size, 2 shaded.
    int GetWindowMode(RECT* rect);

    HWND window;
    HINSTANCE hostInstance;
    char hostExePath[MAX_PATH];
    char hostIniPath[MAX_PATH];
    char skinsFolder[MAX_PATH];   // always ends in a backslash

    SkinLocator(const SkinLocator&) = delete;
    SkinLocator& operator=(const SkinLocator&) = delete;

protected:
    explicit SkinLocator(HWND window);
};

class HostQuerySkinLocator : public SkinLocator {
public:
    explicit HostQuerySkinLocator(HWND window);
    int GetCurrentSkin(char* pathBuf, char* nameBuf) override;
    int RefreshSkins() override;
};
