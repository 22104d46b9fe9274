#include "plugin/module.h"

#include "plugin/startup.h"
#include "plugin/version.h"

std::atomic<UpdateStage> updateStage{static_cast<UpdateStage>(NoOpStage)};
std::atomic<PresentStage> presentStage{static_cast<PresentStage>(NoOpStage)};

void NoOpStage(winampVisModule*) {}
void NoOpStage() {}

winampVisModule visModule;   // filled by PluginObject when the library loads

static char moduleDescription[] = "ZELPIN";

static char headerDescription[] = "Yet Another tavesh Visualization Library";

winampVisHeader visHeader = {0x101, headerDescription, getModule};

extern "C" winampVisHeader* __cdecl winampVisGetHeader()
{
    return &visHeader;
}

winampVisModule* __cdecl getModule(int index)
{
    return index == 0 ? &visModule : nullptr;
}

int __cdecl Render(winampVisModule* module)
{
    // Acquire: whatever a stage's writer did before storing it is seen by
    // the stage (a plain load on x86, nothing locked per frame).
    updateStage.load(std::memory_order_acquire)(module);
    // Read afresh: the update stage may have chosen a new presenter.
    presentStage.load(std::memory_order_acquire)();
    return 0;
}

void __cdecl Config(winampVisModule* module)
{
    MessageBoxA(module ? module->hwndParent : nullptr,
                "ZELPIN " ZELPIN_VERSION_TEXT " - a skin-coloured spectrum analyser for the main window\n"
                "Written by the ZELPIN developers",
                "About - ZELPIN", MB_OK);
}

namespace {

// Fills the module record while the library loads, before the host can ask.
class PluginObject {
public:
    PluginObject()
    {
        visModule.description = moduleDescription;
        visModule.hwndParent = nullptr;
        visModule.hDllInstance = nullptr;
        visModule.sRate = 0;
        visModule.nCh = 0;
        visModule.latencyMs = 15;
        visModule.delayMs = 15;
        visModule.spectrumNch = 2;
        visModule.waveformNch = 0;
        visModule.Config = Config;
        visModule.Init = Init;
        visModule.Render = Render;
        visModule.Quit = Quit;
    }
};

PluginObject pluginObject;

}  // namespace
