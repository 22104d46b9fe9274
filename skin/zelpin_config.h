// The analyser's settings: defaults from "plugin.ini", current values per skin.
#pragma once

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
