// The parts of zelpin_skin_check.exe, one file each: the settings report
// (settings_report.cpp), the vis colours report (colors_report.cpp), the
// main bitmap report (bitmap_report.cpp), the painted pixels for the
// visibility figure (visibility_pixels.cpp), and the command line with the
// file-name helpers they share (skin_check.cpp).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdio>

#include "skin/profile_file.h"
#include "skin/zelpin_config.h"

class DibSurface;

namespace skin_check {

// ---- shared by the reports (skin_check.cpp)

bool FileExists(const char* path);
// The name the file carries on disk, which may differ in letter case.
void NameOnDisk(const char* path, const char* expected, char* out, size_t room);
void PrintFileName(const char* onDisk, const char* expected);

// ---- settings (settings_report.cpp)

// What the profile file says about one key: whether it is there, its text and
// the number the plug-in makes of it.
struct RawKey {
    bool present;
    char text[256];
    int number;
};

class SettingsFile {
public:
    explicit SettingsFile(const char* path);
    bool HasSection() const { return hasSection; }
    RawKey Read(SettingsKey key, int fallback) const;
    // Prints a line for each key of the section the plug-in does not know,
    // with the known key nearest to it; returns how many.
    int ReportUnknownKeys() const;

private:
    const char* path;
    ProfileFile numbers;   // the plug-in's own reader
    char keys[32768];
    bool hasSection;
};

void ReportChoice(SettingsKey key, const RawKey& raw, unsigned char inEffect);
// A ratio in 128ths as the reports word it: "49/128 (38.2%)".
const size_t kRatioTextRoom = 24;
const char* RatioText(unsigned char ratio, char* out, size_t room);
void PrintRatio(unsigned char ratio);
void ReportRatio(const RawKey& raw, unsigned char inEffect, unsigned char defaultRatio);
void ReportSwitch(SettingsKey key, const RawKey& raw, int inEffect);
bool WriteSettings(const char* path, const ZelpinConfig& c);
// The smallest percentage that the plug-in turns into the given ratio.
int PercentFor(unsigned char ratio);
const char* BlendName(unsigned char method);
const char* PickName(unsigned char mode);
const char* StyleName(int peaks, int rain);

// ---- vis colours (colors_report.cpp)

void ReportColors(const char* path, bool read);
// How many warnings ReportColors gives for the file's lines.
int CountColorWarnings(const char* path);

// ---- main bitmap (bitmap_report.cpp)

// OtherKind: an image of another format (PNG, JPEG, ...) under the name.
enum class BitmapUse { Missing, Unsound, OtherKind, Fails, Loads };

// Loads the main bitmap as the plug-in does, and says why it could not.
BitmapUse LoadMainBitmap(const char* path, DibSurface* image);
// How the --all report words it ("loads" for a bitmap that loads).
const char* BitmapUseText(BitmapUse use, const char* path);
// False when the plug-in cannot use the main bitmap.
bool ReportBitmap(const char* path, bool read);

// ---- painted pixels (visibility_pixels.cpp)

// Appends the record of one skin folder to out (see visibility_pixels.cpp);
// false when no surface for the strip could be made.
bool WritePixelRecord(FILE* out, const char* name, const char* folder, const char* pluginIni);

}  // namespace skin_check
