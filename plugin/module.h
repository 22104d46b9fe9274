// The face the library turns to its host: the records, the export and the
// per-frame dispatch through two stage pointers.
#pragma once

#include <atomic>
#include "player/vis_plugin.h"

typedef void (*UpdateStage)(winampVisModule* module);
typedef void (*PresentStage)();

// Written by the frame stages and the window hook (sequentially consistent
// stores, see ArmReload), read once per Render with acquire; no lock.
extern std::atomic<UpdateStage> updateStage;
extern std::atomic<PresentStage> presentStage;

// The do-nothing value of either stage pointer.
void NoOpStage(winampVisModule* module);
void NoOpStage();

extern winampVisModule visModule;
extern winampVisHeader visHeader;

extern "C" winampVisHeader* __cdecl winampVisGetHeader();
winampVisModule* __cdecl getModule(int index);
int __cdecl Render(winampVisModule* module);
void __cdecl Config(winampVisModule* module);
