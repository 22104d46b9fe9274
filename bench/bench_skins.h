// A Skins folder full of generated skins: each has a main-window-sized "main.bmp",
// a "viscolor.txt" and a "zelpin.txt" with the analyser on and peaks shown.
#pragma once

#include <string>

// "Skin000", "Skin001", ...
std::string SkinName(int index);
void MakeSkins(const std::string& skinsFolder, int count);
