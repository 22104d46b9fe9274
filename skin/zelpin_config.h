// The analyser's settings: defaults from "plugin.ini", current values per skin.
#pragma once

// The section every settings file keeps its keys in.
extern const char kSettingsSection[];
// The keys that section may hold, by these names; any other key is ignored.
// DependQuelbix is read from "plugin.ini" only.
enum SettingsKey { kBlendMethodKey, kAnalyzerModeKey, kRatioKey, kEnableKey, kPeaksKey,
                   kRainKey, kDependQuelbixKey, kSettingsKeyCount };
extern const char* const kSettingsKeys[kSettingsKeyCount];

// The rules a value read goes through, published for the skin check.
// Only the low byte of BlendMethod, AnalyzerMode and Ratio counts: the bits
// above it are dropped before any range test.
unsigned char LowByte(unsigned int value);
// BlendMethod and AnalyzerMode: 0..kLastChoice, else the default.
const unsigned char kLastChoice = 2;
// Ratio: a percentage in the files, 0..kMostPercent, else the default; in
// memory 128ths, kFullRatio the whole colour.
const unsigned char kMostPercent = 100;
const unsigned char kFullRatio = 128;
unsigned char PercentTo128ths(unsigned char percent);
int Per128ToPercent(unsigned char ratio);

class ZelpinConfig {
public:
    explicit ZelpinConfig(const char* pluginIniPath);

    void ReadDefaults(const char* path);
    void ReadSkinSettings(const char* path);

    // Defaults set, from "plugin.ini".
    unsigned char defaultBlendMethod;
    unsigned char defaultAnalyzerMode;
    unsigned char defaultRatio;       // 128ths
    int defaultEnable;
    int defaultPeaks;
    int defaultRain;
    int dependQuelbix;

    // Current set, from the skin's settings file. The analyser stays disabled
    // until the first per-skin read.
    unsigned char blendMethod;
    unsigned char analyzerMode;
    unsigned char ratio;              // 128ths
    int enable;
    int peaks;
    int rain;
};
