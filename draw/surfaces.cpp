#include "draw/surfaces.h"

#include <new>

DibSurface* outputSurface = NULL;
DibSurface* stripSurface = NULL;
DibSurface* peakSurface = NULL;

namespace {

// Makes the surface behind slot unless it exists already. A surface whose
// Create failed stays in its slot for ReleaseSurfaces.
int SetUpSurface(DibSurface** slot, int height)
{
    if (*slot)
        return 1;
    *slot = new (std::nothrow) DibSurface;
    if (!*slot)
        return 0;
    return (*slot)->Create(kVisWidth, height, 24);
}

void ReleaseSurface(DibSurface** slot)
{
    if (*slot) {
        delete *slot;
        *slot = NULL;
    }
}

}  // namespace

int SetUpSurfaces()
{
    return SetUpSurface(&outputSurface, kVisHeight) &&
           SetUpSurface(&stripSurface, kVisHeight * kStripFrames) &&
           SetUpSurface(&peakSurface, kVisHeight);
}

void ReleaseSurfaces()
{
    ReleaseSurface(&outputSurface);
    ReleaseSurface(&stripSurface);
    ReleaseSurface(&peakSurface);
}
