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

// The path rules of the SkinLocator constructor, apart so each can be checked
// on its own. All buffers hold MAX_PATH characters; codePage is CP_ACP in the
// product (double-byte code pages have trail bytes equal to '\\').

// Appends part to the path in dst (MAX_PATH characters) when the whole fits;
// otherwise leaves dst as it was and returns 0.
int AppendToPath(char* dst, const char* part);

// 1 when the last whole character of s is a backslash.
int EndsInBackslash(const char* s, UINT codePage);

// The executable's path with its extension replaced by ".ini" (".ini" added
// when the file name has no dot); empty when the result would not fit.
void IniPathForExe(const char* exePath, UINT codePage, char* iniPath);

// The Skins folder from the host's "SkinDir" value: the value with a final
// backslash, or, when the value is empty or has no room for the backslash,
// the executable's folder followed by "\Skins\". Empty when neither can be
// formed (no folder in exePath, or no room).
void SkinsFolderFor(const char* skinDir, const char* exePath, UINT codePage,
                    char* folder);

class HostQuerySkinLocator : public SkinLocator {
public:
    explicit HostQuerySkinLocator(HWND window);
    int GetCurrentSkin(char* pathBuf, char* nameBuf) override;
    int RefreshSkins() override;
};
