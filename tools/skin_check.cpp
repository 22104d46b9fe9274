// zelpin_skin_check.exe: prints what the plug-in will make of a skin folder,
// read with the plug-in's own code: the settings file and each key's value
// as read and in effect, the vis colours line by line, and the main bitmap's
// analyser background. Exit status: 0 the skin shows the analyser, 1 it shows
// none, 2 bad command line or no such folder.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "image/bmp_check.h"
#include "image/dib_surface.h"
#include "plugin/frame_stages.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"

namespace {

const char kUsage[] =
    "usage: zelpin_skin_check.exe SKINDIR [--plugin-ini FILE] [--settings-out FILE]\n"
    "  SKINDIR              the skin folder (a Windows path)\n"
    "  --plugin-ini FILE    the plug-in's defaults file; built-in defaults without it\n"
    "  --settings-out FILE  also write the settings in effect as a skin settings file\n"
    "Exit status: 0 the analyser is shown, 1 the skin shows no analyser,\n"
    "2 bad command line or no such folder.\n";

const char kSection[] = "ZELPIN";
const int kColorCount = 24;
const int kLineBuffer = 256;    // the plug-in's line buffer, terminator included
const int kVisLeft = 24;
const int kVisTop = 43;
const int kVisWidth = 76;
const int kVisHeight = 16;
const char kLetters[] = "ABCDEFGHIJKLMNOP";
const int kMostLetters = sizeof(kLetters) - 1;
const char kShades[] = " .:-=+*#%@";

bool FileExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The name the file carries on disk, which may differ in letter case.
void NameOnDisk(const char* path, const char* expected, char* out, size_t room)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path, &found);
    const char* name = expected;
    if (find != INVALID_HANDLE_VALUE) {
        name = found.cFileName;
        FindClose(find);
    }
    std::snprintf(out, room, "%s", name);
}

void PrintFileName(const char* onDisk, const char* expected)
{
    if (lstrcmpA(onDisk, expected) == 0)
        std::printf("%s", expected);
    else
        std::printf("%s (as %s)", onDisk, expected);
}

// Shows a line of a text file with its control and non-ASCII bytes escaped;
// the line feed that ends it is left out.
void PrintQuoted(const char* text)
{
    std::putchar('"');
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p == '\n' && p[1] == '\0') break;
        if (*p == '\r') std::printf("\\r");
        else if (*p == '\t') std::printf("\\t");
        else if (*p == '\n') std::printf("\\n");
        else if (*p == '"' || *p == '\\') std::printf("\\%c", *p);
        else if (*p < 32 || *p > 126) std::printf("\\x%02X", *p);
        else std::putchar(*p);
    }
    std::putchar('"');
}

// ------------------------------------------------------------------ settings

// What the profile file says about one key: whether it is there, its text and
// the number the platform makes of it.
struct RawKey {
    bool present;
    char text[256];
    int number;
};

bool ListHolds(const char* list, const char* name)
{
    for (const char* entry = list; *entry; entry += std::strlen(entry) + 1)
        if (lstrcmpiA(entry, name) == 0) return true;
    return false;
}

class SettingsFile {
public:
    explicit SettingsFile(const char* path) : path(path), keys(), hasSection(false)
    {
        if (!FileExists(path)) return;
        static char sections[32768];
        GetPrivateProfileSectionNamesA(sections, sizeof sections, path);
        hasSection = ListHolds(sections, kSection);
        GetPrivateProfileStringA(kSection, NULL, "", keys, sizeof keys, path);
    }

    bool HasSection() const { return hasSection; }

    RawKey Read(const char* key, int fallback) const
    {
        RawKey raw = {};
        raw.present = hasSection && ListHolds(keys, key);
        raw.number = fallback;
        if (raw.present) {
            GetPrivateProfileStringA(kSection, key, "", raw.text, sizeof raw.text, path);
            raw.number = static_cast<int>(GetPrivateProfileIntA(kSection, key, fallback, path));
        }
        return raw;
    }

private:
    const char* path;
    char keys[32768];
    bool hasSection;
};

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

// The smallest percentage that the plug-in turns into the given ratio; every
// ratio in effect comes from one.
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

const char* StyleName(const ZelpinConfig& c)
{
    if (!c.peaks) return "bars";
    return c.rain ? "rain" : "peaks";
}

// ------------------------------------------------------------------ colours

const char* UseOf(int entry, char* out, size_t room)
{
    if (entry >= 2 && entry <= 17)
        std::snprintf(out, room, "bar %d", entry - 1);
    else
        std::snprintf(out, room, "%s", entry == 23 ? "peak" : "unused");
    return out;
}

void PrintColor(COLORREF c)
{
    char shown[16];
    std::snprintf(shown, sizeof shown, "%u,%u,%u", GetRValue(c), GetGValue(c), GetBValue(c));
    std::printf("%-13s", shown);
}

void ReportColors(const char* path, bool read)
{
    static const char* const component[3] = {"red", "green", "blue"};
    char onDisk[MAX_PATH];
    NameOnDisk(path, "viscolor.txt", onDisk, sizeof onDisk);
    std::printf("\nVis colours: ");
    PrintFileName(onDisk, "viscolor.txt");

    VisColor table;
    if (table.ReadVisColors(path) == 0) {
        std::printf(" is missing: the built-in colours apply\n");
        return;
    }
    std::printf("%s\n", read ? "" : " (not read while Enable is 0)");
    FILE* file = std::fopen(path, "r");
    if (!file) return;

    int black = 0, wrapped = 0, lines = 0;
    char line[kLineBuffer];
    std::printf("  entry  use     stored       line as read\n");
    for (; lines < kColorCount && std::fgets(line, sizeof line, file); ++lines) {
        char shown[kLineBuffer];
        std::memcpy(shown, line, sizeof shown);
        const size_t length = std::strlen(line);
        const bool cut = length > 0 && line[length - 1] != '\n' && !std::feof(file);
        const VisColorLine got = ReadVisColorLine(line);
        const COLORREF stored = RGB(got.low[0], got.low[1], got.low[2]);

        char use[16];
        std::printf("  %5d  %-7s ", lines, UseOf(lines, use, sizeof use));
        PrintColor(stored);
        PrintQuoted(shown);
        std::printf("\n");
        if (stored != table.colors[lines])
            std::printf("         differs from the table read: the file changed meanwhile\n");
        if (cut)
            std::printf("         a line longer than 255 characters: the rest fills the next entry\n");
        if (got.numbers == 0) {
            std::printf("         no number on the line: stores black\n");
            ++black;
        } else if (got.numbers < 3) {
            std::printf("         only %d of 3 components %s: the others are 0%s\n", got.numbers,
                        got.numbers == 1 ? "is a number" : "are numbers",
                        stored == 0 ? "; stores black" : "");
            black += stored == 0 ? 1 : 0;
        }
        bool wraps = false;
        for (int i = 0; i < 3; ++i) {
            if (got.value[i] != got.low[i]) {
                std::printf("         %s %d wraps to %u\n", component[i], got.value[i], got.low[i]);
                wraps = true;
            }
        }
        wrapped += wraps ? 1 : 0;
    }
    const bool more = lines == kColorCount && std::fgets(line, sizeof line, file);
    std::fclose(file);

    for (int entry = lines; entry < kColorCount; ++entry) {
        char use[16];
        std::printf("  %5d  %-7s ", entry, UseOf(entry, use, sizeof use));
        PrintColor(table.colors[entry]);
        std::printf("(the built-in colour: the file has only %d lines)\n", lines);
    }
    if (more) std::printf("  the lines after the 24th are not read\n");
    std::printf("  %d line%s store%s black, %d wrap%s a component, %d entr%s keep%s the built-in colour\n",
                black, black == 1 ? "" : "s", black == 1 ? "s" : "", wrapped,
                wrapped == 1 ? "s" : "", kColorCount - lines,
                kColorCount - lines == 1 ? "y" : "ies", kColorCount - lines == 1 ? "s" : "");
}

// ------------------------------------------------------------------ bitmap

struct Tally {
    COLORREF color;
    int count;
};

// The analyser's background, composed as the bar strip builder lays it: the
// area at 24,43 over black, so a small image leaves part of it black.
void ReportBackground(DibSurface& image)
{
    DibSurface area;
    if (!area.Create(kVisWidth, kVisHeight, 24)) {
        std::printf("  (no memory for the analyser area)\n");
        return;
    }
    PatBlt(area.memDC, 0, 0, kVisWidth, kVisHeight, BLACKNESS);
    BitBlt(area.memDC, 0, 0, kVisWidth, kVisHeight, image.memDC, kVisLeft, kVisTop, SRCCOPY);
    GdiFlush();

    static COLORREF pixels[kVisHeight][kVisWidth];
    static Tally tally[kVisWidth * kVisHeight];
    int distinct = 0;
    unsigned long sum[3] = {0, 0, 0};
    for (int y = 0; y < kVisHeight; ++y) {
        const unsigned char* row = area.pixels + (kVisHeight - 1 - y) * area.stride;
        for (int x = 0; x < kVisWidth; ++x) {
            const COLORREF c = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            pixels[y][x] = c;
            sum[0] += GetRValue(c);
            sum[1] += GetGValue(c);
            sum[2] += GetBValue(c);
            int i = 0;
            while (i < distinct && tally[i].color != c) ++i;
            if (i == distinct) tally[distinct++] = Tally{c, 0};
            ++tally[i].count;
        }
    }
    // Most frequent first; equal counts keep the order of first appearance.
    for (int i = 1; i < distinct; ++i)
        for (int j = i; j > 0 && tally[j].count > tally[j - 1].count; --j) {
            const Tally t = tally[j];
            tally[j] = tally[j - 1];
            tally[j - 1] = t;
        }

    const int n = kVisWidth * kVisHeight;
    std::printf("  average colour %lu,%lu,%lu; %d colour%s\n", (sum[0] + n / 2) / n,
                (sum[1] + n / 2) / n, (sum[2] + n / 2) / n, distinct, distinct == 1 ? "" : "s");
    const bool lettered = distinct <= kMostLetters;
    if (lettered) {
        for (int i = 0; i < distinct; ++i)
            std::printf("  %c = %u,%u,%u (%d pixel%s)\n", kLetters[i], GetRValue(tally[i].color),
                        GetGValue(tally[i].color), GetBValue(tally[i].color), tally[i].count,
                        tally[i].count == 1 ? "" : "s");
    } else {
        std::printf("  shown by brightness, dark \"%c\" to light \"%c\"\n", kShades[0],
                    kShades[sizeof kShades - 2]);
    }
    std::printf("  +");
    for (int x = 0; x < kVisWidth; ++x) std::putchar('-');
    std::printf("+\n");
    for (int y = 0; y < kVisHeight; ++y) {
        std::printf("  |");
        for (int x = 0; x < kVisWidth; ++x) {
            const COLORREF c = pixels[y][x];
            if (lettered) {
                int i = 0;
                while (tally[i].color != c) ++i;
                std::putchar(kLetters[i]);
            } else {
                const int luma = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
                std::putchar(kShades[luma * (sizeof kShades - 1) / 256]);
            }
        }
        std::printf("|\n");
    }
    std::printf("  +");
    for (int x = 0; x < kVisWidth; ++x) std::putchar('-');
    std::printf("+\n");
}

void ReportBitmap(const char* path, bool read)
{
    char onDisk[MAX_PATH];
    NameOnDisk(path, "main.bmp", onDisk, sizeof onDisk);
    std::printf("\nMain bitmap: ");
    PrintFileName(onDisk, "main.bmp");
    std::printf("%s\n", read ? "" : " (not read while Enable is 0)");

    const char* keeps = "the plug-in builds no bar frames for this skin and draws those of the "
                        "skin before it (black ones when there was none)";
    WIN32_FILE_ATTRIBUTE_DATA about;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &about)) {
        std::printf("  missing: %s\n", keeps);
        return;
    }
    if (!BitmapFileLooksSound(path)) {
        std::printf("  not a complete bitmap file (%lu bytes: cut short or malformed), not loaded:\n"
                    "  %s\n", about.nFileSizeLow, keeps);
        return;
    }
    DibSurface image;
    if (!image.Load(path, 0, 0)) {
        std::printf("  does not load: %s\n", keeps);
        return;
    }
    const int width = image.header->biWidth;
    const int height = image.header->biHeight < 0 ? -image.header->biHeight : image.header->biHeight;
    std::printf("  loads: %d x %d, %u bits per pixel\n", width, height, image.header->biBitCount);
    if (width >= kVisLeft + kVisWidth && height >= kVisTop + kVisHeight) {
        std::printf("  the 76 x 16 analyser area at 24,43 lies inside the image\n");
    } else {
        const int w = width > kVisLeft ? (width - kVisLeft < kVisWidth ? width - kVisLeft : kVisWidth) : 0;
        const int h = height > kVisTop ? (height - kVisTop < kVisHeight ? height - kVisTop : kVisHeight) : 0;
        std::printf("  the 76 x 16 analyser area at 24,43 reaches beyond the image: %d x %d of it\n"
                    "  come from the image, the rest stays black\n", w, h);
    }
    ReportBackground(image);
}

// ------------------------------------------------------------------ main

struct Options {
    const char* folder = nullptr;
    const char* pluginIni = nullptr;
    const char* settingsOut = nullptr;
};

bool ParseArguments(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--plugin-ini") == 0 && hasValue)
            options->pluginIni = argv[++i];
        else if (std::strcmp(argv[i], "--settings-out") == 0 && hasValue)
            options->settingsOut = argv[++i];
        else if (argv[i][0] != '-' && !options->folder)
            options->folder = argv[i];
        else
            return false;
    }
    return options->folder != nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    // Plain line feeds: the output is read by scripts on other systems too.
    _setmode(_fileno(stdout), _O_BINARY);

    Options options;
    if (!ParseArguments(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const DWORD attributes = GetFileAttributesA(options.folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "zelpin_skin_check: %s is not a folder\n", options.folder);
        return 2;
    }
    if (options.pluginIni && !FileExists(options.pluginIni)) {
        std::fprintf(stderr, "zelpin_skin_check: %s does not exist\n", options.pluginIni);
        return 2;
    }

    std::printf("Skin folder: %s\n", options.folder);
    ZelpinConfig config(options.pluginIni);
    std::printf("\nDefaults (%s%s):\n  BlendMethod %u, AnalyzerMode %u, Ratio ",
                options.pluginIni ? "plugin.ini " : "built-in; no plugin.ini given",
                options.pluginIni ? options.pluginIni : "", config.defaultBlendMethod,
                config.defaultAnalyzerMode);
    PrintRatio(config.defaultRatio);
    std::printf(", Enable %d, Peaks %d, Rain %d\n", config.defaultEnable, config.defaultPeaks,
                config.defaultRain);

    // The plug-in's own choice of files: "zelpin.txt", else "zelpin.ini".
    SkinFiles files;
    if (!LocateSkinFiles(options.folder, &files)) {
        std::printf("\nNo analyser: the folder's path is too long for the plug-in's %d-character "
                    "paths, so it disables the analyser.\n", MAX_PATH);
        return 1;
    }
    const char* settingsPath = files.settings;
    const size_t extension = std::strlen(settingsPath) - 3;
    const bool textFile = std::strcmp(settingsPath + extension, "txt") == 0;

    char chosenName[MAX_PATH];
    std::printf("\nSettings file: ");
    if (textFile) {
        NameOnDisk(settingsPath, "zelpin.txt", chosenName, sizeof chosenName);
        PrintFileName(chosenName, "zelpin.txt");
        char other[MAX_PATH];
        std::memcpy(other, settingsPath, extension);
        std::memcpy(other + extension, "ini", 4);
        if (FileExists(other)) std::printf(" (zelpin.ini is there too and is not read)");
        std::printf("\n");
    } else if (FileExists(settingsPath)) {
        NameOnDisk(settingsPath, "zelpin.ini", chosenName, sizeof chosenName);
        PrintFileName(chosenName, "zelpin.ini");
        std::printf(" (there is no zelpin.txt)\n");
    } else {
        std::printf("none (neither zelpin.txt nor zelpin.ini): every key takes its default\n");
    }

    config.ReadSkinSettings(settingsPath);
    const SettingsFile file(settingsPath);
    if (FileExists(settingsPath) && !file.HasSection())
        std::printf("  it has no section [ZELPIN]: every key takes its default\n");

    std::printf("\n  %-14s%-22s%s\n", "key", "as read", "in effect");
    ReportChoice("BlendMethod", file.Read("BlendMethod", config.defaultBlendMethod), config.blendMethod);
    ReportChoice("AnalyzerMode", file.Read("AnalyzerMode", config.defaultAnalyzerMode),
                 config.analyzerMode);
    ReportRatio(file.Read("Ratio", config.defaultRatio * 100 / 128), config.ratio,
                config.defaultRatio);
    ReportSwitch("Enable", file.Read("Enable", config.defaultEnable), config.enable);
    ReportSwitch("Peaks", file.Read("Peaks", config.defaultPeaks), config.peaks);
    ReportSwitch("Rain", file.Read("Rain", config.defaultRain), config.rain);

    if (options.settingsOut && !WriteSettings(options.settingsOut, config)) {
        std::fprintf(stderr, "zelpin_skin_check: could not write %s\n", options.settingsOut);
        return 2;
    }

    const bool shown = config.enable != 0;
    ReportColors(files.colors, shown);
    ReportBitmap(files.bitmap, shown);

    if (!shown) {
        std::printf("\nNo analyser: Enable is 0%s, so the plug-in draws nothing for this skin\n"
                    "(it reads neither viscolor.txt nor main.bmp then).\n",
                    file.Read("Enable", 0).present ? "" : " by default");
        return 1;
    }
    std::printf("\nAnalyser: %s, blend %s at ", StyleName(config), BlendName(config.blendMethod));
    PrintRatio(config.ratio);
    std::printf(", bar colours %s\n", PickName(config.analyzerMode));
    return 0;
}
