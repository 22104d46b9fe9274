// The player's main window as a plug-in meets it: its size, the vis area in
// it, where the player keeps its skin folder, and the messages a companion
// program exchanges with it. Every room takes these numbers from here.
#pragma once

#include <windows.h>

// The main window at normal size; at double size every figure doubles, and a
// shaded window is less than the full height.
const int kMainWindowWidth = 275;
const int kMainWindowHeight = 116;

// The vis area, in the window and in the skin's "main.bmp" alike.
const int kVisLeft = 24;
const int kVisTop = 43;
const int kVisWidth = 76;
const int kVisHeight = 16;

// The player's ini file (its executable's name with ".ini") names the skin
// folder under this section and key.
const char kPlayerIniSection[] = "Winamp";
const char kPlayerSkinDirKey[] = "SkinDir";

// A companion program greets the player's window with this message and code,
// and names the new skin in a WM_COPYDATA whose data code is kSkinNoticeCode.
const UINT kCompanionHello = WM_USER + 102;
const WPARAM kCompanionHelloCode = 7;
const ULONG_PTR kSkinNoticeCode = 10650;
