// zelpin_skin_check's settings report: each key of the skin's settings file
// as the profile calls list it and the plug-in's own reader reads it, the
// value the plug-in puts in effect and why (by the plug-in's own rules in
// skin/zelpin_config.h), the keys it does not know and the values that are
// no numbers, and the settings in effect written back as a skin settings
// file.
#include "tools/skin_check.h"

#include <cstdio>
#include <cstring>

namespace skin_check {

namespace {

bool ListHolds(const char* list, const char* name)
{
    for (const char* entry = list; *entry; entry += std::strlen(entry) + 1)
        if (lstrcmpiA(entry, name) == 0) return true;
    return false;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Edit distance, letter case aside: how far a key is from a known one.
int Distance(const char* a, const char* b)
{
    const size_t kLongest = 64;
    int row[kLongest + 1];
    const size_t n = std::strlen(b) < kLongest ? std::strlen(b) : kLongest;
    for (size_t j = 0; j <= n; ++j) row[j] = static_cast<int>(j);
    for (size_t i = 0; a[i] && i < kLongest; ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i + 1);
        for (size_t j = 1; j <= n; ++j) {
            const int above = row[j];
            const bool same = Lower(a[i]) == Lower(b[j - 1]);
            int best = diagonal + (same ? 0 : 1);
            if (row[j] + 1 < best) best = row[j] + 1;
            if (row[j - 1] + 1 < best) best = row[j - 1] + 1;
            diagonal = above;
            row[j] = best;
        }
    }
    return row[n];
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
    : path(path), numbers(path, kSettingsSection), keys(), hasSection(false)
{
    if (!FileExists(path)) return;
    static char sections[32768];
    GetPrivateProfileSectionNamesA(sections, sizeof sections, path);
    hasSection = ListHolds(sections, kSettingsSection);
    GetPrivateProfileStringA(kSettingsSection, NULL, "", keys, sizeof keys, path);
}

int SettingsFile::ReportUnknownKeys() const
{
    int unknown = 0;
    for (const char* key = keys; *key; key += std::strlen(key) + 1) {
        const char* nearest = kSettingsKeys[0];
        bool known = false;
        for (const char* k : kSettingsKeys) {
            known = known || lstrcmpiA(k, key) == 0;
            if (Distance(key, k) < Distance(key, nearest)) nearest = k;
        }
        if (known) continue;
        std::printf("  unknown key \"%.40s\": the plug-in ignores it (the nearest known key: %s)\n",
                    key, nearest);
        ++unknown;
    }
    return unknown;
}

RawKey SettingsFile::Read(SettingsKey key, int fallback) const
{
    RawKey raw = {};
    raw.present = hasSection && ListHolds(keys, kSettingsKeys[key]);
    raw.number = fallback;
    if (raw.present) {
        GetPrivateProfileStringA(kSettingsSection, kSettingsKeys[key], "", raw.text, sizeof raw.text, path);
        raw.number = static_cast<int>(numbers.Int(kSettingsKeys[key], fallback));
    }
    return raw;
}

// A value that is no number gets a line of its own under its key.
void ReportNotANumber(const RawKey& raw)
{
    if (raw.present && raw.text[0] && !IsProfileNumber(raw.text))
        std::printf("  %-14s\"%.40s\" is not a number: it reads as %d\n", "", raw.text, raw.number);
}

void ReportChoice(SettingsKey key, const RawKey& raw, unsigned char inEffect)
{
    PrintAsRead(kSettingsKeys[key], raw);
    std::printf("%u", inEffect);
    const unsigned value = static_cast<unsigned>(raw.number);
    if (const char* absent = Absence(raw))
        std::printf("  (%s)", absent);
    else if (value != inEffect && LowByte(value) == inEffect)
        std::printf("  (low byte taken: %d is %u)", raw.number, inEffect);
    else if (value != inEffect)
        std::printf("  (out of range 0..%u: the default)", kLastChoice);
    std::printf("\n");
    ReportNotANumber(raw);
}

const char* RatioText(unsigned char ratio, char* out, size_t room)
{
    const int tenths = ratio * 1000 / kFullRatio;
    std::snprintf(out, room, "%u/%u (%d.%d%%)", ratio, kFullRatio, tenths / 10, tenths % 10);
    return out;
}

void PrintRatio(unsigned char ratio)
{
    char text[kRatioTextRoom];
    std::printf("%s", RatioText(ratio, text, sizeof text));
}

void ReportRatio(const RawKey& raw, unsigned char inEffect, unsigned char defaultRatio)
{
    PrintAsRead(kSettingsKeys[kRatioKey], raw);
    PrintRatio(inEffect);
    const unsigned value = static_cast<unsigned>(raw.number);
    if (const char* absent = Absence(raw))
        std::printf("  (%s %u/%u handed over as %d%%)", absent, defaultRatio, kFullRatio,
                    Per128ToPercent(defaultRatio));
    else if (LowByte(value) > kMostPercent)
        std::printf("  (out of range 0..%u: the default %u/%u itself)", kMostPercent, defaultRatio,
                    kFullRatio);
    else if (value != LowByte(value))
        std::printf("  (low byte taken: %d is %u%%)", raw.number, LowByte(value));
    std::printf("\n");
    ReportNotANumber(raw);
}

void ReportSwitch(SettingsKey key, const RawKey& raw, int inEffect)
{
    PrintAsRead(kSettingsKeys[key], raw);
    std::printf("%d %s", inEffect, inEffect ? "on" : "off");
    if (const char* absent = Absence(raw)) std::printf("  (%s)", absent);
    std::printf("\n");
    ReportNotANumber(raw);
}

// Every ratio in effect comes from some percentage.
int PercentFor(unsigned char ratio)
{
    for (int p = 0; p <= kMostPercent; ++p)
        if (PercentTo128ths(static_cast<unsigned char>(p)) == ratio) return p;
    return kMostPercent;
}

bool WriteSettings(const char* path, const ZelpinConfig& c)
{
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    char ratio[kRatioTextRoom];
    std::fprintf(out,
                 "[%s]\r\nBlendMethod=%u\r\nAnalyzerMode=%u\r\nRatio=%d\r\n"
                 "Enable=%d\r\nPeaks=%d\r\nRain=%d\r\n; ratio %s\r\n",
                 kSettingsSection, c.blendMethod, c.analyzerMode, PercentFor(c.ratio), c.enable,
                 c.peaks, c.rain, RatioText(c.ratio, ratio, sizeof ratio));
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
