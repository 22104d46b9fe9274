#include "plugin/startup.h"
#include "plugin/module.h"

int __cdecl Init(winampVisModule*) { return 0; }
void __cdecl Quit(winampVisModule*) {}

namespace {

char moduleDescription[] = "ZELPIN";

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
    virtual ~PluginObject() {}
};

PluginObject pluginObject;

}  // namespace
