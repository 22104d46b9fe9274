#include "skin/zelpin_config.h"

#include <windows.h>

namespace {

const char kSection[] = "ZELPIN";

// Only the low byte of a profile value is ever looked at; the bits above it
// are dropped before any range test.
unsigned char LowByte(UINT value)
{
    return static_cast<unsigned char>(value & 0xFFu);
}

// A missing path reads as a missing file: every key takes its default. (The
// platform would read its own "win.ini" for a null file name.)
UINT ProfileInt(const char* key, int fallback, const char* path)
{
    return path ? GetPrivateProfileIntA(kSection, key, fallback, path) : static_cast<UINT>(fallback);
}

unsigned char ReadChoice(const char* key, unsigned char fallback, const char* path)
{
    const unsigned char b = LowByte(ProfileInt(key, fallback, path));
    return b <= 2 ? b : fallback;
}

// Switches keep the whole value: 2, 256 and -1 all mean on.
int ReadSwitch(const char* key, int fallback, const char* path)
{
    return static_cast<int>(ProfileInt(key, fallback, path));
}

// Files give the ratio in percent, memory holds it in 128ths.
unsigned char PercentTo128ths(unsigned char percent)
{
    return static_cast<unsigned char>(percent * 128 / 100);
}

int Per128ToPercent(unsigned char ratio)
{
    return ratio * 100 / 128;
}

} // namespace

ZelpinConfig::ZelpinConfig(const char* pluginIniPath)
{
    ReadDefaults(pluginIniPath);
    // The stages may be chosen before the first skin is read; until then the
    // analyser is off and the rest mirrors the defaults.
    blendMethod = defaultBlendMethod;
    analyzerMode = defaultAnalyzerMode;
    ratio = defaultRatio;
    enable = 0;
    peaks = defaultPeaks;
    rain = defaultRain;
}

void ZelpinConfig::ReadDefaults(const char* path)
{
    defaultBlendMethod = ReadChoice("BlendMethod", 0, path);
    defaultAnalyzerMode = ReadChoice("AnalyzerMode", 1, path);

    const unsigned char percent = LowByte(ProfileInt("Ratio", 40, path));
    defaultRatio = percent <= 100 ? PercentTo128ths(percent) : PercentTo128ths(40);

    defaultEnable = ReadSwitch("Enable", 1, path);
    defaultPeaks = ReadSwitch("Peaks", 1, path);
    defaultRain = ReadSwitch("Rain", 0, path);
    dependQuelbix = ReadSwitch("DependQuelbix", 0, path);
}

void ZelpinConfig::ReadSkinSettings(const char* path)
{
    blendMethod = ReadChoice("BlendMethod", defaultBlendMethod, path);
    analyzerMode = ReadChoice("AnalyzerMode", defaultAnalyzerMode, path);

    // The default goes through percent and back, so a skin without a ratio can
    // land a little below the plug-in's; an out-of-range one gets it exactly.
    const unsigned char percent =
        LowByte(ProfileInt("Ratio", Per128ToPercent(defaultRatio), path));
    ratio = percent <= 100 ? PercentTo128ths(percent) : defaultRatio;

    enable = ReadSwitch("Enable", defaultEnable, path);
    peaks = ReadSwitch("Peaks", defaultPeaks, path);
    rain = ReadSwitch("Rain", defaultRain, path);
}
