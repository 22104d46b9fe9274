// What the stage pointers may hold besides the drawers: the skin reload, the
// stage selection and the two presenters into the host window.
#pragma once

#include <windows.h>

#include "player/vis_plugin.h"

void ReloadSkin(winampVisModule* module);
// Makes ReloadSkin the update stage, for a hook on the host window's thread;
// a reload running meanwhile keeps it armed.
void ArmReload();
void SelectStages();
void PresentNormal();
void PresentDouble();
