// What the stage pointers may hold besides the drawers: the skin reload, the
// stage reselection and the two presenters into the host window.
#pragma once

#include <windows.h>

#include "player/vis_plugin.h"

void ReloadSkin(winampVisModule* module);
// Chooses the stages for the window's size now; draws nothing this frame.
void ReselectStages(winampVisModule* module);
// For the hooks on the host window's thread. ArmReload makes ReloadSkin the
// update stage; ArmReselect makes it ReselectStages unless a reload, which
// reselects too, is armed. A stage running meanwhile keeps either armed.
void ArmReload();
void ArmReselect();
// On the thread that renders: the drawer and presenter for the settings and
// the window's size.
void SelectStages();
void PresentNormal();
void PresentDouble();
