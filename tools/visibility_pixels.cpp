// zelpin_skin_check's painted pixels, from which scriptlib/skin_visibility.py
// works out how well the analyser stands out from the skin's background. The
// strip is built by the plug-in's own BuildStrip from the skin's settings,
// vis colours and main bitmap, read as ReloadSkin reads them, in every blend
// method at the skin's ratio and at the full ratio.
//
// A record, appended to the file for each skin: the line "skin NAME", then
// either "none REASON" (no analyser, or no bar frames to measure), or
// "settings METHOD RATIO" (the blend in effect, the ratio in 128ths) followed
// by one block per variant: the line "variant METHOD RATIO PERCENT BARS
// PEAKS LABEL" (LABEL as the report words the blend: "mix 49/128 (38.2%)")
// and BARS then PEAKS pairs of six bytes, the painted pixel's red,
// green and blue, then those of the background pixel under it. PERCENT is the
// smallest "Ratio" that gives RATIO; PEAKS is 0 when "Peaks" is off.
#include "tools/skin_check.h"

#include <cstdio>
#include <vector>

#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "image/dib_surface.h"
#include "skin/skin_files.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

namespace skin_check {

namespace {

const unsigned char kBlendMethods = 3;

const unsigned char* PixelAt(const DibSurface& surface, int memoryRow, int x)
{
    return surface.pixels + memoryRow * surface.stride + 3 * x;
}

// Surfaces hold blue, green, red; the pairs give red, green, blue.
void AddPair(std::vector<unsigned char>* pairs, const unsigned char* painted,
             const unsigned char* under)
{
    const unsigned char pair[6] = {painted[2], painted[1], painted[0], under[2], under[1], under[0]};
    pairs->insert(pairs->end(), pair, pair + sizeof pair);
}

void WriteVariant(FILE* out, DibSurface* image, const ZelpinConfig& settings,
                  const VisColor& colors)
{
    BuildStrip(image, settings, colors);
    const DibSurface& strip = *stripSurface;
    std::vector<unsigned char> bars, peaks;
    // Every lit pixel of every bar frame counts once, against frame 0 (the
    // bare background) at the same place: a row near the base is lit in
    // nearly every frame and the tip row only in the tallest, so each pixel
    // weighs as often as the viewer sees it lit when every height is as
    // frequent. Memory rows count from the bottom; hanging bars start at the top.
    for (int frame = 1; frame < kStripFrames; ++frame)
        for (int d = 0; d < frame; ++d) {
            const int row = settings.rain ? kVisHeight - 1 - d : d;
            for (int x = 0; x < kVisWidth; ++x)
                AddPair(&bars, PixelAt(strip, kVisHeight * frame + row, x), PixelAt(strip, row, x));
        }
    // A peak dot shows a pixel of the peak row where the background would be.
    if (settings.peaks)
        for (int row = 0; row < kVisHeight; ++row)
            for (int x = 0; x < kVisWidth; ++x)
                AddPair(&peaks, PixelAt(*peakSurface, row, x), PixelAt(strip, row, x));

    char ratio[kRatioTextRoom];
    std::fprintf(out, "variant %u %u %d %u %u %s %s\n", settings.blendMethod, settings.ratio,
                 PercentFor(settings.ratio), static_cast<unsigned>(bars.size() / 6),
                 static_cast<unsigned>(peaks.size() / 6), BlendName(settings.blendMethod),
                 RatioText(settings.ratio, ratio, sizeof ratio));
    std::fwrite(bars.data(), 1, bars.size(), out);
    std::fwrite(peaks.data(), 1, peaks.size(), out);
}

}  // namespace

bool WritePixelRecord(FILE* out, const char* name, const char* folder, const char* pluginIni)
{
    std::fprintf(out, "skin %s\n", name);
    SkinFiles files;
    if (!LocateSkinFiles(folder, &files)) {
        std::fprintf(out, "none the folder's path is too long for the plug-in: no analyser\n");
        return true;
    }
    ZelpinConfig config(pluginIni);
    config.ReadSkinSettings(files.settings);
    if (config.enable == 0) {
        std::fprintf(out, "none Enable is 0: the plug-in draws nothing for this skin\n");
        return true;
    }
    VisColor colors;
    colors.ReadVisColors(files.colors);
    DibSurface image;
    const BitmapUse use = LoadMainBitmap(files.bitmap, &image);
    if (use != BitmapUse::Loads) {
        std::fprintf(out, "none main.bmp %s%s: the plug-in builds no bar frames for this skin\n",
                     use == BitmapUse::Fails ? "" : "is ", BitmapUseText(use, files.bitmap));
        return true;
    }
    if (!SetUpSurfaces()) {
        std::fprintf(out, "none no memory for the bar frames\n");
        return false;
    }

    std::fprintf(out, "settings %u %u\n", config.blendMethod, config.ratio);
    const unsigned char ratios[] = {config.ratio, kFullRatio};
    const int ratioCount = config.ratio == kFullRatio ? 1 : 2;
    ZelpinConfig variant = config;
    for (int r = 0; r < ratioCount; ++r) {
        variant.ratio = ratios[r];
        for (unsigned char method = 0; method < kBlendMethods; ++method) {
            variant.blendMethod = method;
            WriteVariant(out, &image, variant, colors);
        }
    }
    return true;
}

}  // namespace skin_check
