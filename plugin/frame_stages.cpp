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

// Every arming counts here, so a stage that selects can tell that another
// came while it ran.
std::atomic<unsigned> armings{0};
std::atomic<unsigned> resizes{0};

void StoreReselect()
{
    UpdateStage seen = updateStage.load();
    while (seen != ReloadSkin && !updateStage.compare_exchange_weak(seen, ReselectStages)) {
    }
}

// An arming that came while a stage selected was just overwritten: arm it
// again. A hook counts before it stores the stage, and a stage stores before
// it reads the counts; with all of these sequentially consistent, either the
// stage sees the count or the hook's store lands last.
void KeepArmed(unsigned armed, unsigned resized)
{
    if (resizes.load() != resized) StoreReselect();
    if (armings.load() != armed) updateStage.store(ReloadSkin);
}

// The Skins folder followed by the newest noticed name, when there is one
// and the two fit in a path; otherwise skinPath stays.
void TakeNotice()
{
    char name[MAX_PATH];
    if (!TakeNoticedSkin(name)) return;
    const char* folder = skinSuck->locator->skinsFolder;
    const size_t folderLength = strnlen(folder, MAX_PATH);
    const size_t nameLength = strnlen(name, MAX_PATH);
    // No Skins folder known: a bare name would be a path relative to nowhere.
    if (folderLength == 0 || folderLength + nameLength >= MAX_PATH) return;
    memcpy(skinPath, folder, folderLength);
    memcpy(skinPath + folderLength, name, nameLength + 1);
}

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
        TakeNotice();
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

void ArmReselect()
{
    resizes.fetch_add(1);
    StoreReselect();
}

void ReloadSkin(winampVisModule*)
{
    // A hook may re-arm this stage while Quit is taking the plug-in down.
    if (!Running()) {
        Disable();
        return;
    }

    const unsigned armed = armings.load();
    const unsigned resized = resizes.load();
    LoadSkin();
    SelectStages();
    KeepArmed(armed, resized);
}

void ReselectStages(winampVisModule*)
{
    const unsigned armed = armings.load();
    const unsigned resized = resizes.load();
    SelectStages();
    KeepArmed(armed, resized);
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
