#include "plugin/frame_stages.h"

#include <cstring>
#include <new>

#include "draw/analyzer.h"
#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "image/dib_surface.h"
#include "plugin/module.h"
#include "plugin/plugin_state.h"
#include "plugin/skin_handover.h"
#include "skin/skin_files.h"
#include "skin/skin_locator.h"
#include "skin/skin_suck.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

namespace {

const int kLevelZeroFrameTop = 256;

void Disable()
{
    presentStage.store(NoOpStage);
    updateStage.store(NoOpStage);
}

bool Running()
{
    return config && skinSuck && skinSuck->locator && visColor && outputSurface &&
           stripSurface && peakSurface;
}

}  // namespace

namespace {

// Every arming of ReloadSkin counts here, so a reload can tell that another
// came while it ran.
std::atomic<unsigned> armings{0};

// Loads what it can of the current skin: its settings, then, when the skin
// is enabled, its colours and its background into the strip. The stages are
// chosen afterwards, whatever happened here.
void LoadSkin()
{
    if (config->dependQuelbix == 0) {
        char name[MAX_PATH] = "";
        if (skinSuck->locator->GetCurrentSkin(skinPath, name) == 0) {
            skinPath[0] = '\0';
            config->enable = 0;
            return;
        }
        name[MAX_PATH - 1] = '\0';
        if (strcmp(name, lastSkinName) == 0) return;
        memcpy(lastSkinName, name, sizeof lastSkinName);
    } else {
        // Otherwise skinPath is still what Init or the last notice taken left.
        TakeNoticedSkin(skinPath);
    }

    // A folder too deep for its file names is as good as no skin at all.
    SkinFiles files;
    if (!LocateSkinFiles(skinPath, &files)) {
        config->enable = 0;
        return;
    }

    config->ReadSkinSettings(files.settings);
    if (config->enable == 0) return;

    visColor->ReadVisColors(files.colors);

    DibSurface* skinImage = new (std::nothrow) DibSurface;
    if (!skinImage) return;
    // The strip takes the vis area's rows alone.
    if (skinImage->LoadRows(files.bitmap, kVisTop, kVisHeight)) {
        BuildStrip(skinImage, *config, *visColor);
        BitBlt(outputSurface->memDC, 0, 0, kVisWidth, kVisHeight, stripSurface->memDC, 0,
               kLevelZeroFrameTop, SRCCOPY);
        // The drawers write these pixels directly from the next frame on.
        GdiFlush();
    }
    delete skinImage;
}

}  // namespace

void ArmReload()
{
    armings.fetch_add(1);
    updateStage.store(ReloadSkin);
}

void ReloadSkin(winampVisModule*)
{
    // A hook may re-arm this stage while Quit is taking the plug-in down.
    if (!Running()) {
        Disable();
        return;
    }

    const unsigned armed = armings.load();
    LoadSkin();
    SelectStages();
    // An arming that came while this ran (a notice naming yet another skin, a
    // repaint after the skin changed) was just overwritten: arm again. The
    // hook counts before it stores the stage and this stores the stage before
    // it reads the count; with every one of these four sequentially consistent
    // either this sees the count or the hook's store lands last.
    if (armings.load() != armed) updateStage.store(ReloadSkin);
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
        presentStage.store(PresentNormal);
        updateStage.store(drawer);
        break;
    case 1:
        presentStage.store(PresentDouble);
        updateStage.store(drawer);
        break;
    default:
        updateStage.store(NoOpStage);
        presentStage.store(NoOpStage);
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
