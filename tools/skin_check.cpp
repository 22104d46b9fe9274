// zelpin_skin_check.exe: prints what the plug-in will make of a skin folder,
// read with the plug-in's own code: the settings file and each key's value
// as read and in effect, the vis colours line by line, and the main bitmap's
// analyser background; on request also the pixels its analyser paints, for
// the visibility figure. Exit status: 0 the skin shows the analyser, 1 it
// shows none, 2 bad command line or no such folder, 3 it shows the analyser
// but main.bmp cannot be used.
// This file holds the command line, the order of the reports and the
// file-name helpers they share; each report has a file of its own.
#include "tools/skin_check.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "skin/skin_files.h"
#include "skin/zelpin_config.h"
#include "tools/skin_collection.h"

namespace skin_check {

bool FileExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

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

}  // namespace skin_check

using namespace skin_check;

namespace {

const char kUsage[] =
    "usage: zelpin_skin_check.exe SKINDIR [--plugin-ini FILE] [--settings-out FILE]\n"
    "                             [--pixels-out FILE]\n"
    "       zelpin_skin_check.exe --all SKINSDIR ... (--all alone for its options)\n"
    "  SKINDIR              the skin folder (a Windows path)\n"
    "  --plugin-ini FILE    the plug-in's defaults file; built-in defaults without it\n"
    "  --settings-out FILE  also write the settings in effect as a skin settings file\n"
    "  --pixels-out FILE    also write the pixels the analyser paints, each with the\n"
    "                       background under it, in every blend method at the skin's\n"
    "                       ratio and at 100% (the format: tools/visibility_pixels.cpp)\n"
    "Either form may start with --say-code-page: the first line is then \"code page\n"
    "N\", the ANSI code page names are printed in, for scripts that show the report\n"
    "on a system of another encoding.\n"
    "Exit status: 0 the analyser is shown, 1 the skin shows no analyser,\n"
    "2 bad command line or no such folder, 3 the analyser is shown but main.bmp\n"
    "cannot be used.\n";

struct Options {
    const char* folder = nullptr;
    const char* pluginIni = nullptr;
    const char* settingsOut = nullptr;
    const char* pixelsOut = nullptr;
};

bool ParseArguments(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--plugin-ini") == 0 && hasValue)
            options->pluginIni = argv[++i];
        else if (std::strcmp(argv[i], "--settings-out") == 0 && hasValue)
            options->settingsOut = argv[++i];
        else if (std::strcmp(argv[i], "--pixels-out") == 0 && hasValue)
            options->pixelsOut = argv[++i];
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
    if (argc > 1 && std::strcmp(argv[1], "--say-code-page") == 0) {
        std::printf("code page %u\n", GetACP());
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    if (argc > 1 && std::strcmp(argv[1], "--all") == 0) return CheckCollection(argc, argv);

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

    if (options.pixelsOut) {
        FILE* out = std::fopen(options.pixelsOut, "wb");
        const bool written = out && WritePixelRecord(out, options.folder, options.folder,
                                                     options.pluginIni);
        if (!out || std::fclose(out) != 0 || !written) {
            std::fprintf(stderr, "zelpin_skin_check: could not write %s\n", options.pixelsOut);
            return 2;
        }
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
        std::printf("  it has no section [%s]: every key takes its default\n", kSettingsSection);

    std::printf("\n  %-14s%-22s%s\n", "key", "as read", "in effect");
    ReportChoice(kBlendMethodKey, file.Read(kBlendMethodKey, config.defaultBlendMethod), config.blendMethod);
    ReportChoice(kAnalyzerModeKey, file.Read(kAnalyzerModeKey, config.defaultAnalyzerMode),
                 config.analyzerMode);
    ReportRatio(file.Read(kRatioKey, Per128ToPercent(config.defaultRatio)), config.ratio,
                config.defaultRatio);
    ReportSwitch(kEnableKey, file.Read(kEnableKey, config.defaultEnable), config.enable);
    ReportSwitch(kPeaksKey, file.Read(kPeaksKey, config.defaultPeaks), config.peaks);
    ReportSwitch(kRainKey, file.Read(kRainKey, config.defaultRain), config.rain);
    file.ReportUnknownKeys();

    if (options.settingsOut && !WriteSettings(options.settingsOut, config)) {
        std::fprintf(stderr, "zelpin_skin_check: could not write %s\n", options.settingsOut);
        return 2;
    }

    const bool shown = config.enable != 0;
    ReportColors(files.colors, shown);
    const bool bitmapLoads = ReportBitmap(files.bitmap, shown);

    if (!shown) {
        std::printf("\nNo analyser: Enable is 0%s, so the plug-in draws nothing for this skin\n"
                    "(it reads neither viscolor.txt nor main.bmp then).\n",
                    file.Read(kEnableKey, 0).present ? "" : " by default");
        return 1;
    }
    std::printf("\nAnalyser: %s, blend %s at ", StyleName(config.peaks, config.rain), BlendName(config.blendMethod));
    PrintRatio(config.ratio);
    std::printf(", bar colours %s\n", PickName(config.analyzerMode));
    if (!bitmapLoads) {
        std::printf("\nNo bars of its own: main.bmp cannot be used, so the plug-in draws the bar "
                    "frames of\nthe skin shown before (black ones when there was none).\n");
        return 3;
    }
    return 0;
}
