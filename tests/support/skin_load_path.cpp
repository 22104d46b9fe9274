#include "tests/support/skin_load_path.h"

#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "image/bmp_sample.h"
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
    POINT points[32];
    COLORREF direct[32];
    for (int i = 0; i < 32; ++i)
        points[i] = {samplePoints[i].x, samplePoints[i].y};
    if (SampleBitmapFile(path, points, 32, direct))
        for (int i = 0; i < 32; ++i)
            if (ColorKey(direct[i]) != signature.keys[i])
                return -2;
    return 1;
}
