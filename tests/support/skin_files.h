// Skin folders and files made on the fly for the tests.
#pragma once

#include <windows.h>
#include <functional>
#include <string>

// A fresh folder under the temporary directory, removed with its contents.
class TempFolder {
public:
    explicit TempFolder(const char* tag);
    ~TempFolder();
    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + "\\" + name; }

private:
    std::string path;
};

// A new, empty folder under the temporary folder; RemoveTree deletes it.
std::string MakeTempFolder(const char* tag);
void MakeFolder(const std::string& path);
void RemoveTree(const std::string& path);

// Writes the file afresh, with a write time the platform's ini cache has not
// seen for that name.
void WriteTextFile(const std::string& path, const std::string& text);

// A bottom-up 24-bit BMP; colorAt(x, y) gives 0x00BBGGRR with y from the top.
void WriteBmp24(const std::string& path, int width, int height,
                const std::function<COLORREF(int x, int y)>& colorAt);

// A 275 x 116 main-window image: `frame` everywhere, `visBackground` in the
// 76 x 16 vis area at 24,43.
void WriteMainBitmap(const std::string& path, COLORREF frame, COLORREF visBackground);

// 24 lines of "r,g,b": entries 2..17 all `bar`, entry 23 `peak`, the rest grey.
std::string VisColorText(COLORREF bar, COLORREF peak);

std::string ExePath();
std::string ExeFolder();
