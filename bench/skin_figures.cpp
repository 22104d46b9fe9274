// The skin figures: one reload, and the catalogue of a full Skins folder,
// each against the file work the platform cannot skip.
#include "bench/figures.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_skins.h"
#include "draw/analyzer.h"
#include "draw/surfaces.h"
#include "plugin/frame_stages.h"
#include "plugin/module.h"
#include "plugin/plugin_state.h"
#include "plugin/startup.h"
#include "skin/skin_locator.h"
#include "skin/skin_signature.h"
#include "skin/skin_suck.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

namespace {

const int kReloadsPerBatch = 4;
const int kReloadRounds = 64;
const int kCatalogueRounds = 9;

// Reports whichever skin of the folder the benchmark names.
class FolderLocator : public SkinLocator {
public:
    FolderLocator(HWND window, const std::string& folder) : SkinLocator(window), folder(folder) {}
    int GetCurrentSkin(char* pathBuf, char* nameBuf) override
    {
        const std::string name = SkinName(current);
        const std::string path = folder + "\\" + name;
        if (path.size() >= MAX_PATH) return 0;
        std::strcpy(pathBuf, path.c_str());
        if (nameBuf) std::strcpy(nameBuf, name.c_str());
        return static_cast<int>(path.size());
    }
    int RefreshSkins() override { return 1; }

    std::string folder;
    int current = 0;
};

HWND MakeHostWindow()
{
    return CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// ---- the reload

FolderLocator* reloadLocator = nullptr;
int reloadSkinCount = 0;
int nextReload = 0;
bool reloadsLoaded = true;
std::vector<std::string> bitmapPaths;
int nextBitmap = 0;

// Every reload takes another skin than the one before, going round the folder.
void ReloadBatch(int calls)
{
    for (int i = 0; i < calls; ++i) {
        const int skin = nextReload;
        nextReload = (nextReload + 1) % reloadSkinCount;
        reloadLocator->current = skin;
        ReloadSkin(&visModule);
        reloadsLoaded = reloadsLoaded && SkinName(skin) == lastSkinName &&
                        updateStage.load() == UpdateStage(DrawBarsAndPeaks);
    }
}

// The same main bitmaps, in the same order, as DIB sections from the
// platform's loader and nothing else.
void LoadImageBatch(int calls)
{
    for (int i = 0; i < calls; ++i) {
        const char* path = bitmapPaths[nextBitmap].c_str();
        nextBitmap = (nextBitmap + 1) % reloadSkinCount;
        HANDLE bitmap = LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0,
                                   LR_CREATEDIBSECTION | LR_LOADFROMFILE);
        reloadsLoaded = reloadsLoaded && bitmap != nullptr;
        DeleteObject(bitmap);
    }
}

// ---- the catalogue

SignatureSkinLocator* catalogue = nullptr;
unsigned catalogueCount = 0;
bool catalogueComplete = true;
std::string catalogueFolder;
std::vector<char> fileBytes;

void CatalogueBatch(int calls)
{
    for (int i = 0; i < calls; ++i) {
        catalogue->RefreshSkins();
        catalogueComplete = catalogueComplete && catalogue->entryCount == catalogueCount;
    }
}

// Lists the folder and reads each skin's main bitmap whole: open, read, close.
// The file is opened by the name the catalogue uses, "main.BMP": where the
// file system matches names by case only slowly (Wine), that lookup is part
// of what the catalogue cannot skip.
void ReadFilesBatch(int calls)
{
    for (int i = 0; i < calls; ++i) {
        unsigned files = 0;
        WIN32_FIND_DATAA found;
        HANDLE listing = FindFirstFileA((catalogueFolder + "*.*").c_str(), &found);
        if (listing == INVALID_HANDLE_VALUE) {
            catalogueComplete = false;
            return;
        }
        do {
            if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
                continue;
            const std::string path = catalogueFolder + found.cFileName + "\\main.BMP";
            HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD got = 0;
            const DWORD size = GetFileSize(file, nullptr);
            if (size <= fileBytes.size() && ReadFile(file, fileBytes.data(), size, &got, nullptr) &&
                got == size)
                ++files;
            CloseHandle(file);
        } while (FindNextFileA(listing, &found));
        FindClose(listing);
        catalogueComplete = catalogueComplete && files == catalogueCount;
    }
}

}  // namespace

void ReloadFigure(Report& report, const std::string& skinsFolder, int skinCount)
{
    const char name[] = "skin_reload";
    HWND window = MakeHostWindow();
    // The plug-in's state as Init leaves it, with a locator of our own.
    hostWindow = window;
    config = new ZelpinConfig(nullptr);
    skinSuck = new SkinSuck;
    reloadLocator = new FolderLocator(window, skinsFolder);
    skinSuck->locator = reloadLocator;
    visColor = new VisColor;
    lastSkinName[0] = '\0';
    skinPath[0] = '\0';
    reloadSkinCount = skinCount;
    for (int i = 0; i < skinCount; ++i)
        bitmapPaths.push_back(skinsFolder + "\\" + SkinName(i) + "\\main.bmp");

    SideBySide t = {0.0, 0.0};
    reloadsLoaded = window != nullptr && SetUpSurfaces() != 0;
    if (reloadsLoaded)
        t = TimeSideBySide(ReloadBatch, LoadImageBatch, kReloadsPerBatch, kReloadRounds);
    Quit(&visModule);
    reloadLocator = nullptr;
    if (window) DestroyWindow(window);

    if (!reloadsLoaded) {
        report.Missing(name, "a skin did not load");
        return;
    }
    report.Figure(name, t.thing * 1e3, "ms", t.thing / t.floor, 1.3);
}

void CatalogueFigure(Report& report, const std::string& skinsFolder, int skinCount)
{
    char figure[32];
    std::snprintf(figure, sizeof figure, "skin_catalogue_%d", skinCount);
    HWND window = MakeHostWindow();
    catalogue = window ? new SignatureSkinLocator(window) : nullptr;
    catalogueFolder = skinsFolder + "\\";
    if (!catalogue || catalogueFolder.size() >= MAX_PATH) {
        report.Missing(figure, "no locator");
        delete catalogue;
        if (window) DestroyWindow(window);
        return;
    }
    std::strcpy(catalogue->skinsFolder, catalogueFolder.c_str());
    catalogueCount = static_cast<unsigned>(skinCount);
    fileBytes.resize(1 << 20);

    const SideBySide t = TimeSideBySide(CatalogueBatch, ReadFilesBatch, 1, kCatalogueRounds);
    delete catalogue;
    catalogue = nullptr;
    DestroyWindow(window);

    if (!catalogueComplete) {
        report.Missing(figure, "the catalogue missed skins");
        return;
    }
    report.Figure(figure, t.thing * 1e3, "ms", t.thing / t.floor, 2.0);
}
