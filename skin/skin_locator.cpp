#include "skin/skin_locator.h"

#include <cstring>

#include "player/main_window.h"
#include "player/vis_plugin.h"

namespace {

// The last occurrence of c in s, stepping by whole characters so that the
// trail byte of a double-byte character is never taken for it.
const char* LastChar(const char* s, char c, UINT codePage)
{
    const char* found = nullptr;
    for (const char* p = s; *p; p = CharNextExA(static_cast<WORD>(codePage), p, 0)) {
        if (*p == c)
            found = p;
    }
    return found;
}

// Copies at most MAX_PATH - 1 characters of src and terminates dst.
void CopyBounded(char* dst, const char* src)
{
    size_t n = strnlen(src, MAX_PATH - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

}  // namespace

int AppendToPath(char* dst, const char* part)
{
    size_t have = strnlen(dst, MAX_PATH);
    size_t add = strlen(part);
    if (have + add >= MAX_PATH)
        return 0;
    memcpy(dst + have, part, add + 1);
    return 1;
}

int EndsInBackslash(const char* s, UINT codePage)
{
    size_t n = strlen(s);
    if (n == 0)
        return 0;
    const char* last = CharPrevExA(static_cast<WORD>(codePage), s, s + n, 0);
    // A double-byte character starts with its lead byte, never a backslash,
    // so a trail byte of 0x5C does not count.
    return *last == '\\';
}

void IniPathForExe(const char* exePath, UINT codePage, char* iniPath)
{
    iniPath[0] = '\0';
    if (!exePath[0] || strlen(exePath) >= MAX_PATH)
        return;
    CopyBounded(iniPath, exePath);
    // Only a dot in the file name starts the extension: one in a folder name
    // of an extensionless executable would cut the path in the wrong place.
    const char* slash = LastChar(iniPath, '\\', codePage);
    const char* name = slash ? slash + 1 : iniPath;
    const char* dot = LastChar(name, '.', codePage);
    if (dot)
        iniPath[dot - iniPath] = '\0';
    if (!AppendToPath(iniPath, ".ini"))
        iniPath[0] = '\0';
}

void SkinsFolderFor(const char* skinDir, const char* exePath, UINT codePage,
                    char* folder)
{
    folder[0] = '\0';
    if (skinDir[0]) {
        CopyBounded(folder, skinDir);
        if (EndsInBackslash(folder, codePage) || AppendToPath(folder, "\\"))
            return;
        // A full-length value has no room for its backslash; a shortened one
        // would name another folder, so the default below is used instead.
        folder[0] = '\0';
    }
    CopyBounded(folder, exePath);
    const char* slash = LastChar(folder, '\\', codePage);
    if (slash) {
        folder[slash - folder] = '\0';
        if (AppendToPath(folder, "\\Skins\\"))
            return;
    }
    folder[0] = '\0';
}

SkinLocator::SkinLocator(HWND window)
    : window(window),
      hostInstance(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)))
{
    DWORD n = GetModuleFileNameA(hostInstance, hostExePath, MAX_PATH);
    // A path cut at the buffer's end names some other file: treat it as unknown.
    if (n == 0 || n >= MAX_PATH)
        hostExePath[0] = '\0';

    IniPathForExe(hostExePath, CP_ACP, hostIniPath);

    char skinDir[MAX_PATH] = "";
    if (hostIniPath[0])
        GetPrivateProfileStringA(kPlayerIniSection, kPlayerSkinDirKey, "", skinDir, MAX_PATH, hostIniPath);
    SkinsFolderFor(skinDir, hostExePath, CP_ACP, skinsFolder);
}

SkinLocator::~SkinLocator()
{
}

int SkinLocator::GetWindowMode(RECT* rect)
{
    RECT own;
    RECT* r = rect ? rect : &own;
    // A window that is gone draws nothing: report it as shaded.
    if (!GetWindowRect(window, r)) {
        SetRectEmpty(r);
        return 2;
    }
    if (r->bottom - r->top < kMainWindowHeight)
        return 2;
    if (r->right - r->left > kMainWindowWidth)
        return 1;
    return 0;
}

HostQuerySkinLocator::HostQuerySkinLocator(HWND window)
    : SkinLocator(window)
{
}

int HostQuerySkinLocator::GetCurrentSkin(char* pathBuf, char* nameBuf)
{
    // Cleared first, so a host that writes nothing leaves no stale path.
    pathBuf[0] = '\0';
    LRESULT answer = SendMessageA(window, WM_USER, reinterpret_cast<WPARAM>(pathBuf),
                                  IPC_GETSKIN);
    pathBuf[MAX_PATH - 1] = '\0';
    const char* name = reinterpret_cast<const char*>(answer);
    if (!name) {
        pathBuf[0] = '\0';
        return 0;
    }
    if (nameBuf)
        CopyBounded(nameBuf, name);
    return static_cast<int>(strlen(pathBuf));
}

int HostQuerySkinLocator::RefreshSkins()
{
    return 1;
}
