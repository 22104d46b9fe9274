#include "skin/skin_suck.h"

#include <new>

#include "player/vis_plugin.h"
#include "skin/skin_locator.h"
#include "skin/skin_signature.h"

namespace {

// The host versions that cannot report their skin.
bool CannotReportSkin(int version)
{
    return (version >= 0x1900 && version <= 0x1902) ||
           (version >= 0x2000 && version <= 0x2003);
}

}  // namespace

SkinSuck::SkinSuck()
    : locator(nullptr), hostVersion(0)
{
}

SkinSuck::~SkinSuck()
{
    delete locator;
}

int SkinSuck::Initialize(HWND hostWindow)
{
    hostVersion = static_cast<int>(SendMessageA(hostWindow, WM_USER, 0, IPC_GETVERSION));
    // Older hosts, and those that do not know the message (answer 0), are
    // not supported; the locator in place stays.
    if (hostVersion < 0x1900)
        return 0;

    delete locator;
    locator = nullptr;
    if (CannotReportSkin(hostVersion))
        locator = new (std::nothrow) SignatureSkinLocator(hostWindow);
    else
        locator = new (std::nothrow) HostQuerySkinLocator(hostWindow);
    return locator ? 1 : 0;
}
