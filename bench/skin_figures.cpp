// The skin figures: one reload, and the catalogue of a full Skins folder.
#include "bench/figures.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
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

const double kReloadBudgetMs = 10.0;
const double kCatalogueBudgetMs = 500.0;
const int kReloads = 128;
const int kCatalogueRuns = 7;

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
    return CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 275, 116, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// One reload of the given skin; false when it did not end with the analyser on.
bool ReloadOnce(FolderLocator* locator, int skin, double* seconds)
{
    locator->current = skin;
    const double start = Seconds();
    ReloadSkin(&visModule);
    *seconds = Seconds() - start;
    return SkinName(skin) == lastSkinName && updateStage.load() == UpdateStage(DrawBarsAndPeaks);
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
    FolderLocator* locator = new FolderLocator(window, skinsFolder);
    skinSuck->locator = locator;
    visColor = new VisColor;
    lastSkinName[0] = '\0';
    skinPath[0] = '\0';

    bool loaded = window != nullptr && SetUpSurfaces() != 0;
    std::vector<double> times;
    double seconds = 0.0;
    // Every reload takes another skin than the one before, going round the
    // folder; the first, untimed, brings the code up to speed.
    loaded = loaded && ReloadOnce(locator, skinCount - 1, &seconds);
    for (int i = 0; loaded && i < kReloads; ++i) {
        loaded = ReloadOnce(locator, i % skinCount, &seconds);
        times.push_back(seconds);
    }
    Quit(&visModule);
    if (window) DestroyWindow(window);

    if (!loaded) {
        report.Missing(name, "a skin did not load");
        return;
    }
    const double ms = Median(times) * 1e3;
    report.Figure(name, ms, "ms", ms / kReloadBudgetMs, 1.0);
}

void CatalogueFigure(Report& report, const std::string& skinsFolder, int skinCount)
{
    char figure[32];
    std::snprintf(figure, sizeof figure, "skin_catalogue_%d", skinCount);
    HWND window = MakeHostWindow();
    SignatureSkinLocator* locator = window ? new SignatureSkinLocator(window) : nullptr;
    const std::string folder = skinsFolder + "\\";
    if (!locator || folder.size() >= MAX_PATH) {
        report.Missing(figure, "no locator");
        delete locator;
        if (window) DestroyWindow(window);
        return;
    }
    std::strcpy(locator->skinsFolder, folder.c_str());

    std::vector<double> times;
    bool complete = true;
    for (int run = 0; run < kCatalogueRuns; ++run) {
        const double start = Seconds();
        locator->RefreshSkins();
        times.push_back(Seconds() - start);
        complete = complete && locator->entryCount == static_cast<unsigned>(skinCount);
    }
    delete locator;
    DestroyWindow(window);

    if (!complete) {
        report.Missing(figure, "the catalogue missed skins");
        return;
    }
    const double ms = Median(times) * 1e3;
    report.Figure(figure, ms, "ms", ms / kCatalogueBudgetMs, 1.0);
}
