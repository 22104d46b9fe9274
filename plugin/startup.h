// Start-up and shut-down of the plug-in.
#pragma once

#include "player/vis_plugin.h"

int __cdecl Init(winampVisModule* module);
void __cdecl Quit(winampVisModule* module);
