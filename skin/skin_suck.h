// Owns the skin locator that fits the host's version.
#pragma once

#include <windows.h>

class SkinLocator;

class SkinSuck {
public:
    SkinSuck();
    ~SkinSuck();
    int Initialize(HWND hostWindow);

    SkinLocator* locator;
    int hostVersion;

    SkinSuck(const SkinSuck&) = delete;
    SkinSuck& operator=(const SkinSuck&) = delete;
};
