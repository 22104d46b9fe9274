// Skin folders and files made on the fly for the tests.
#pragma once

#include <windows.h>
#include <functional>
#include <string>

#include "player/main_window.h"

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

void MakeFolder(const std::string& path);
void RemoveTree(const std::string& path);

// Writes the file afresh, with a write time the platform's ini cache has not
// seen for that name.
void WriteTextFile(const std::string& path, const std::string& text);

// A bottom-up 24-bit BMP; colorAt(x, y) gives 0x00BBGGRR with y from the top.
void WriteBmp24(const std::string& path, int width, int height,
                const std::function<COLORREF(int x, int y)>& colorAt);

bool InVisArea(int x, int y);

// A main-window image: `frame` everywhere, `visBackground` in the vis area;
// the whole window, or only the corner that ends with the vis area.
enum class MainBitmapSize { Window, Corner };
void WriteMainBitmap(const std::string& path, COLORREF frame, COLORREF visBackground,
                     MainBitmapSize size = MainBitmapSize::Window);

// 24 lines of "r,g,b": entries 2..17 all `bar`, entry 23 `peak`, the rest grey.
std::string VisColorText(COLORREF bar, COLORREF peak);

// Settings under which every bar pixel is exactly a vis colour: "Ratio" 100
// percent with the mix blend lays the colour on unchanged, and "AnalyzerMode"
// 2 paints a full bar in entry 2 alone.
const char kSolid[] = "[ZELPIN]\r\nRatio=100\r\nBlendMethod=0\r\nAnalyzerMode=2\r\n";

// A skin folder of those two files and, unless `settings` is empty, a
// "zelpin.txt" holding it. Returns the folder.
std::string MakeSkin(const std::string& folder, COLORREF frame, COLORREF background, COLORREF bar,
                     COLORREF peak, const std::string& settings,
                     MainBitmapSize size = MainBitmapSize::Window);

std::string ExePath();
std::string ExeFolder();
