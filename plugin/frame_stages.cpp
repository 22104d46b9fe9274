#include "plugin/frame_stages.h"

#include <cstring>
#include <new>

#include "draw/analyzer.h"
#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "image/dib_surface.h"
#include "plugin/module.h"
#include "plugin/plugin_state.h"
#include "skin/skin_files.h"
#include "skin/skin_locator.h"
#include "skin/skin_suck.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

namespace {

const int kLevelZeroFrameTop = 256;

void Disable()
{
    presentStage.store(NoOpStage, std::memory_order_relaxed);
    updateStage.store(NoOpStage, std::memory_order_relaxed);
}

bool Running()
{
    return config && skinSuck && skinSuck->locator && visColor && outputSurface &&
           stripSurface && peakSurface;
}

}  // namespace

void ReloadSkin(winampVisModule*)
{
    // A hook may re-arm this stage while Quit is taking the plug-in down.
    if (!Running()) {
        Disable();
        return;
    }

    if (config->dependQuelbix == 0) {
        char name[MAX_PATH] = "";
        if (skinSuck->locator->GetCurrentSkin(skinPath, name) == 0) {
            skinPath[0] = '\0';
            config->enable = 0;
            SelectStages();
            return;
        }
        name[MAX_PATH - 1] = '\0';
        if (strcmp(name, lastSkinName) == 0) {
            SelectStages();
            return;
        }
        memcpy(lastSkinName, name, sizeof lastSkinName);
    }

    // The notice hook may rewrite skinPath on the window thread: work on a copy.
    char folder[MAX_PATH];
    memcpy(folder, skinPath, sizeof folder);
    folder[MAX_PATH - 1] = '\0';

    // A folder too deep for its file names is as good as no skin at all.
    SkinFiles files;
    if (!LocateSkinFiles(folder, &files)) {
        config->enable = 0;
        SelectStages();
        return;
    }

    config->ReadSkinSettings(files.settings);
    if (config->enable == 0) {
        SelectStages();
        return;
    }

    visColor->ReadVisColors(files.colors);

    DibSurface* skinImage = new (std::nothrow) DibSurface;
    if (!skinImage) {
        SelectStages();
        return;
    }
    if (skinImage->Load(files.bitmap, 0, 0)) {
        BuildStrip(skinImage, *config, *visColor);
        BitBlt(outputSurface->memDC, 0, 0, kVisWidth, kVisHeight, stripSurface->memDC, 0,
               kLevelZeroFrameTop, SRCCOPY);
        // The drawers write these pixels directly from the next frame on.
        GdiFlush();
    }
    delete skinImage;

    SelectStages();
}

void SelectStages()
{
    if (!Running() || config->enable == 0) {
        Disable();
        return;
    }

    UpdateStage drawer = DrawBars;
    if (config->peaks != 0) drawer = config->rain != 0 ? DrawBarsAndRain : DrawBarsAndPeaks;

    switch (skinSuck->locator->GetWindowMode(nullptr)) {
    case 0:
        presentStage.store(PresentNormal, std::memory_order_relaxed);
        updateStage.store(drawer, std::memory_order_relaxed);
        break;
    case 1:
        presentStage.store(PresentDouble, std::memory_order_relaxed);
        updateStage.store(drawer, std::memory_order_relaxed);
        break;
    default:
        updateStage.store(NoOpStage, std::memory_order_relaxed);
        presentStage.store(NoOpStage, std::memory_order_relaxed);
        break;
    }
}

void PresentNormal()
{
    HDC dc = GetDC(hostWindow);
    BitBlt(dc, kVisLeft, kVisTop, kVisWidth, kVisHeight, outputSurface->memDC, 0, 0, SRCCOPY);
    ReleaseDC(hostWindow, dc);
}

void PresentDouble()
{
    HDC dc = GetDC(hostWindow);
    StretchBlt(dc, 2 * kVisLeft, 2 * kVisTop, 2 * kVisWidth, 2 * kVisHeight, outputSurface->memDC,
               0, 0, kVisWidth, kVisHeight, SRCCOPY);
    ReleaseDC(hostWindow, dc);
}
