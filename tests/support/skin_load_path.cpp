#include "tests/support/skin_load_path.h"

#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "image/dib_surface.h"
#include "skin/skin_signature.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

int RunSkinLoadPath(const char* path)
{
    static const int surfaces = SetUpSurfaces();
    static const ZelpinConfig settings(nullptr);   // the built-in defaults
    static const VisColor colors;
    if (!surfaces)
        return -1;
    DibSurface image;
    if (!image.Load(path, 0, 0))
        return 0;
    BuildStrip(&image, settings, colors);
    SkinSignature signature;
    signature.Sample(&image);
    return 1;
}
