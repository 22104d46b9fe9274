#include "skin/zelpin_config.h"

#include <windows.h>

#include "skin/profile_file.h"

extern const char kSettingsSection[] = "ZELPIN";
extern const char* const kSettingsKeys[kSettingsKeyCount] = {
    "BlendMethod", "AnalyzerMode", "Ratio", "Enable", "Peaks", "Rain", "DependQuelbix"};

unsigned char LowByte(unsigned int value)
{
    return static_cast<unsigned char>(value & 0xFFu);
}

unsigned char PercentTo128ths(unsigned char percent)
{
    return static_cast<unsigned char>(percent * kFullRatio / kMostPercent);
}

int Per128ToPercent(unsigned char ratio)
{
    return ratio * kMostPercent / kFullRatio;
}

namespace {

unsigned char ReadChoice(const ProfileFile& file, SettingsKey key, unsigned char fallback)
{
    const unsigned char b = LowByte(file.Int(kSettingsKeys[key], fallback));
    return b <= kLastChoice ? b : fallback;
}

// Switches keep the whole value: 2, 256 and -1 all mean on.
int ReadSwitch(const ProfileFile& file, SettingsKey key, int fallback)
{
    return static_cast<int>(file.Int(kSettingsKeys[key], fallback));
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

// A missing path reads as a missing file: every key takes its default. (The
// platform would read its own "win.ini" for a null file name.)
void ZelpinConfig::ReadDefaults(const char* path)
{
    const ProfileFile file(path, kSettingsSection);
    defaultBlendMethod = ReadChoice(file, kBlendMethodKey, 0);
    defaultAnalyzerMode = ReadChoice(file, kAnalyzerModeKey, 1);

    const unsigned char percent = LowByte(file.Int(kSettingsKeys[kRatioKey], 40));
    defaultRatio = percent <= kMostPercent ? PercentTo128ths(percent) : PercentTo128ths(40);

    defaultEnable = ReadSwitch(file, kEnableKey, 1);
    defaultPeaks = ReadSwitch(file, kPeaksKey, 1);
    defaultRain = ReadSwitch(file, kRainKey, 0);
    dependQuelbix = ReadSwitch(file, kDependQuelbixKey, 0);
}

void ZelpinConfig::ReadSkinSettings(const char* path)
{
    const ProfileFile file(path, kSettingsSection);
    blendMethod = ReadChoice(file, kBlendMethodKey, defaultBlendMethod);
    analyzerMode = ReadChoice(file, kAnalyzerModeKey, defaultAnalyzerMode);

    // The default goes through percent and back, so a skin without a ratio can
    // land a little below the plug-in's; an out-of-range one gets it exactly.
    const unsigned char percent =
        LowByte(file.Int(kSettingsKeys[kRatioKey], Per128ToPercent(defaultRatio)));
    ratio = percent <= kMostPercent ? PercentTo128ths(percent) : defaultRatio;

    enable = ReadSwitch(file, kEnableKey, defaultEnable);
    peaks = ReadSwitch(file, kPeaksKey, defaultPeaks);
    rain = ReadSwitch(file, kRainKey, defaultRain);
}
