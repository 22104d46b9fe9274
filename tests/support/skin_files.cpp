#include "tests/support/skin_files.h"

#include "host/bmp_file.h"

#include <cstdio>
#include <vector>

namespace {

void BumpWriteTime(const std::string& path)
{
    // The ini cache keys on the last write time; give every rewrite a new one.
    static LONGLONG next = 0;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LONGLONG stamp = static_cast<LONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    if (stamp <= next) stamp = next + 20000000;   // two seconds on
    next = stamp;
    FILETIME ft = {static_cast<DWORD>(stamp), static_cast<DWORD>(stamp >> 32)};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        SetFileTime(file, nullptr, nullptr, &ft);
        CloseHandle(file);
    }
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    DeleteFileA(path.c_str());
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    BumpWriteTime(path);
}

}  // namespace

TempFolder::TempFolder(const char* tag)
{
    static unsigned serial = 0;
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%szelpin-%s-%lu-%u", base, tag, GetCurrentProcessId(), ++serial);
    path = name;
    RemoveTree(path);
    MakeFolder(path);
}

TempFolder::~TempFolder() { RemoveTree(path); }

void MakeFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

void WriteTextFile(const std::string& path, const std::string& text)
{
    WriteBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

void WriteBmp24(const std::string& path, int width, int height,
                const std::function<COLORREF(int x, int y)>& colorAt)
{
    std::vector<unsigned char> bgr;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bgr.insert(bgr.end(), {GetBValue(colorAt(x, y)), GetGValue(colorAt(x, y)), GetRValue(colorAt(x, y))});
    ::WriteBmp24(path, width, height, bgr);
    BumpWriteTime(path);
}

bool InVisArea(int x, int y)
{
    return x >= kVisLeft && x < kVisLeft + kVisWidth && y >= kVisTop && y < kVisTop + kVisHeight;
}

void WriteMainBitmap(const std::string& path, COLORREF frame, COLORREF visBackground,
                     MainBitmapSize size)
{
    const bool window = size == MainBitmapSize::Window;
    WriteBmp24(path, window ? kMainWindowWidth : kVisLeft + kVisWidth,
               window ? kMainWindowHeight : kVisTop + kVisHeight,
               [&](int x, int y) { return InVisArea(x, y) ? visBackground : frame; });
}

std::string MakeSkin(const std::string& folder, COLORREF frame, COLORREF background, COLORREF bar,
                     COLORREF peak, const std::string& settings, MainBitmapSize size)
{
    MakeFolder(folder);
    WriteMainBitmap(folder + "\\main.bmp", frame, background, size);
    WriteTextFile(folder + "\\viscolor.txt", VisColorText(bar, peak));
    if (!settings.empty()) WriteTextFile(folder + "\\zelpin.txt", settings);
    return folder;
}

std::string VisColorText(COLORREF bar, COLORREF peak)
{
    std::string text;
    char line[64];
    for (int i = 0; i < 24; ++i) {
        COLORREF c = (i >= 2 && i <= 17) ? bar : i == 23 ? peak : RGB(128, 128, 128);
        snprintf(line, sizeof line, "%d,%d,%d // entry %d\r\n", GetRValue(c), GetGValue(c),
                 GetBValue(c), i);
        text += line;
    }
    return text;
}

std::string ExePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string ExeFolder()
{
    std::string exe = ExePath();
    return exe.substr(0, exe.find_last_of('\\'));
}
