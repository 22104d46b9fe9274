// zelpin_skin_check's settings report: each key of the skin's settings file
// as the profile calls list it and the plug-in's own reader reads it, the
// value the plug-in puts in effect and why, and the settings in effect
// written back as a skin settings file.
#include "tools/skin_check.h"

#include <cstdio>
#include <cstring>

namespace skin_check {

namespace {

const char kSection[] = "ZELPIN";

bool ListHolds(const char* list, const char* name)
{
    for (const char* entry = list; *entry; entry += std::strlen(entry) + 1)
        if (lstrcmpiA(entry, name) == 0) return true;
    return false;
}

void PrintAsRead(const char* key, const RawKey& raw)
{
    std::printf("  %-14s", key);
    if (!raw.present)
        std::printf("%-22s", "missing");
    else {
        char shown[64];
        std::snprintf(shown, sizeof shown, "\"%.40s\" = %d", raw.text, raw.number);
        std::printf("%-22s", shown);
    }
}

// A key whose value is missing or empty gives the default it was read with.
const char* Absence(const RawKey& raw)
{
    if (!raw.present) return "missing: the default";
    if (raw.text[0] == '\0') return "empty: the default";
    return nullptr;
}

}  // namespace

SettingsFile::SettingsFile(const char* path)
    : path(path), numbers(path, kSection), keys(), hasSection(false)
{
    if (!FileExists(path)) return;
    static char sections[32768];
    GetPrivateProfileSectionNamesA(sections, sizeof sections, path);
    hasSection = ListHolds(sections, kSection);
    GetPrivateProfileStringA(kSection, NULL, "", keys, sizeof keys, path);
}

RawKey SettingsFile::Read(const char* key, int fallback) const
{
    RawKey raw = {};
    raw.present = hasSection && ListHolds(keys, key);
    raw.number = fallback;
    if (raw.present) {
        GetPrivateProfileStringA(kSection, key, "", raw.text, sizeof raw.text, path);
        raw.number = static_cast<int>(numbers.Int(key, fallback));
    }
    return raw;
}

void ReportChoice(const char* key, const RawKey& raw, unsigned char inEffect)
{
    PrintAsRead(key, raw);
    std::printf("%u", inEffect);
    const unsigned value = static_cast<unsigned>(raw.number);
    if (const char* absent = Absence(raw))
        std::printf("  (%s)", absent);
    else if (value != inEffect && (value & 0xFFu) == inEffect)
        std::printf("  (low byte taken: %d is %u)", raw.number, inEffect);
    else if (value != inEffect)
        std::printf("  (out of range 0..2: the default)");
    std::printf("\n");
}

void PrintRatio(unsigned char ratio)
{
    const int tenths = ratio * 1000 / 128;
    std::printf("%u/128 (%d.%d%%)", ratio, tenths / 10, tenths % 10);
}

void ReportRatio(const RawKey& raw, unsigned char inEffect, unsigned char defaultRatio)
{
    PrintAsRead("Ratio", raw);
    PrintRatio(inEffect);
    const unsigned value = static_cast<unsigned>(raw.number);
    if (const char* absent = Absence(raw))
        std::printf("  (%s %u/128 handed over as %d%%)", absent, defaultRatio,
                    defaultRatio * 100 / 128);
    else if ((value & 0xFFu) > 100)
        std::printf("  (out of range 0..100: the default %u/128 itself)", defaultRatio);
    else if (value > 0xFFu)
        std::printf("  (low byte taken: %d is %u%%)", raw.number, value & 0xFFu);
    std::printf("\n");
}

void ReportSwitch(const char* key, const RawKey& raw, int inEffect)
{
    PrintAsRead(key, raw);
    std::printf("%d %s", inEffect, inEffect ? "on" : "off");
    if (const char* absent = Absence(raw)) std::printf("  (%s)", absent);
    std::printf("\n");
}

// Every ratio in effect comes from some percentage.
int PercentFor(unsigned char ratio)
{
    for (int p = 0; p <= 100; ++p)
        if (p * 128 / 100 == ratio) return p;
    return 100;
}

bool WriteSettings(const char* path, const ZelpinConfig& c)
{
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    std::fprintf(out,
                 "[ZELPIN]\r\nBlendMethod=%u\r\nAnalyzerMode=%u\r\nRatio=%d\r\n"
                 "Enable=%d\r\nPeaks=%d\r\nRain=%d\r\n",
                 c.blendMethod, c.analyzerMode, PercentFor(c.ratio), c.enable, c.peaks, c.rain);
    return std::fclose(out) == 0;
}

const char* BlendName(unsigned char method)
{
    static const char* const names[] = {"mix", "add", "subtract"};
    return method <= 2 ? names[method] : "?";
}

const char* PickName(unsigned char mode)
{
    static const char* const names[] = {"by row", "from the tip", "by height"};
    return mode <= 2 ? names[mode] : "?";
}

const char* StyleName(int peaks, int rain)
{
    if (!peaks) return "bars";
    return rain ? "rain" : "peaks";
}

}  // namespace skin_check
