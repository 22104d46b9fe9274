#include "plugin/plugin_state.h"

std::atomic<HWND> hostWindow{nullptr};
ZelpinConfig* config = nullptr;
SkinSuck* skinSuck = nullptr;
VisColor* visColor = nullptr;
char skinPath[MAX_PATH] = "";
char lastSkinName[MAX_PATH] = "";
HHOOK hookHandle = nullptr;
HINSTANCE libraryInstance = nullptr;
