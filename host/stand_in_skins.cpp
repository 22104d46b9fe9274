// The stand-in host's ini file and Skins folder: the ini written as the
// player writes it, the current skin and its main bitmap, and the answer to
// IPC_GETSKIN.
#include "host/stand_in_host_impl.h"

#include <cstring>

#include "image/bmp_check.h"

namespace {

// Finds the skin's main bitmap whatever the letter case of its name, and
// loads it only when the file is complete.
HBITMAP LoadMainBitmap(const std::string& skinPath, SIZE& size)
{
    if (skinPath.empty()) return nullptr;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((skinPath + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    std::string file;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            lstrcmpiA(found.cFileName, "main.bmp") == 0)
            file = skinPath + "\\" + found.cFileName;
    } while (file.empty() && FindNextFileA(search, &found));
    FindClose(search);
    if (file.empty() || file.size() >= MAX_PATH || !BitmapFileLooksSound(file.c_str()))
        return nullptr;

    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0,
                                                     LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    BITMAP info;
    if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return bitmap;
}

}  // namespace

// Written afresh with a write time that differs from the previous one:
// some profile readers cache an ini file by its write time.
bool StandInHost::Impl::WriteIni() const
{
    WIN32_FILE_ATTRIBUTE_DATA before;
    bool existed = GetFileAttributesExA(iniPath.c_str(), GetFileExInfoStandard, &before) != 0;
    std::string text = std::string("[") + kPlayerIniSection + "]\r\n" + kPlayerSkinDirKey + "=" +
                       skinsFolder + "\r\n";
    HANDLE file = CreateFileA(iniPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    FILETIME after;
    if (ok && existed && GetFileTime(file, nullptr, nullptr, &after) &&
        CompareFileTime(&after, &before.ftLastWriteTime) <= 0) {
        ULARGE_INTEGER t;
        t.LowPart = before.ftLastWriteTime.dwLowDateTime;
        t.HighPart = before.ftLastWriteTime.dwHighDateTime;
        t.QuadPart += 10000000;   // one second later
        after.dwLowDateTime = t.LowPart;
        after.dwHighDateTime = t.HighPart;
        SetFileTime(file, nullptr, nullptr, &after);
    }
    CloseHandle(file);
    return ok;
}

void StandInHost::Impl::UseSkin(const std::string& name)
{
    skinPath = name.empty() ? std::string() : skinsFolder + "\\" + name;
    const std::string* kept = nullptr;
    for (const std::string& known : skinNames)
        if (known == name) kept = &known;
    if (!kept) {
        skinNames.push_back(name);
        kept = &skinNames.back();
    }
    skinName = kept->c_str();
    if (skinBitmap) DeleteObject(skinBitmap);
    skinSize.cx = skinSize.cy = 0;
    skinBitmap = LoadMainBitmap(skinPath, skinSize);
}

// IPC_GETSKIN: the skin folder's full path into the caller's 260-character
// buffer (empty when it would not fit), the skin name's address as answer.
LRESULT StandInHost::Impl::AnswerGetSkin(WPARAM buffer) const
{
    char* out = reinterpret_cast<char*>(buffer);
    if (out) {
        if (skinPath.size() < MAX_PATH)
            std::memcpy(out, skinPath.c_str(), skinPath.size() + 1);
        else
            out[0] = '\0';
    }
    return options.getSkinAnswersNull ? 0 : reinterpret_cast<LRESULT>(skinName);
}
