// The page's entry points into the plug-in's own code: the skin is read by
// the plug-in's readers from the page's in-memory files (/skin/...), the
// strip is built by its strip builder and every frame is drawn by its
// analyser, as a reload and a Render do in the library (plugin/frame_stages.cpp).
// The page's JavaScript only moves files, samples and pixels.
#include <emscripten/emscripten.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "draw/analyzer.h"
#include "draw/strip_builder.h"
#include "draw/surfaces.h"
#include "image/bmp_check.h"
#include "image/bmp_format.h"
#include "image/bmp_plain.h"
#include "image/dib_surface.h"
#include "player/main_window.h"
#include "skin/profile_file.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"
#include "spectrum_frames.h"

namespace {

const char kDefaultsFile[] = "/plugin.ini";   // the shipped plugin.ini
const char kSettingsTxt[] = "/skin/zelpin.txt";
const char kSettingsIni[] = "/skin/zelpin.ini";
const char kColorsFile[] = "/skin/viscolor.txt";
const char kBitmapFile[] = "/skin/main.bmp";
const char kLookFile[] = "/look.txt";         // the look chosen on the page
const int kLevelZeroFrameTop = 256;
const int kFps = 60;

ZelpinConfig* config = nullptr;
VisColor* colors = nullptr;
DibSurface* background = nullptr;   // the vis area's rows of main.bmp
bool haveBackground = false;
std::string findings;
std::string lookText;
std::vector<unsigned char> skinPixels;   // main.bmp as RGBA, rows from the top
int skinWidth = 0, skinHeight = 0;
unsigned char outputPixels[kVisWidth * kVisHeight * 4];
SpectrumFrames spectrum;
std::vector<unsigned char> scratch;
winampVisModule module;

// The percent a settings file gives for a ratio in 128ths: the smallest
// that the reader turns into it, so a look read back is the same look.
int PercentFor(int ratio)
{
    for (int p = 0; p <= 100; ++p)
        if (p * 128 / 100 == ratio) return p;
    return ratio * 100 / 128;
}

bool Exists(const char* path)
{
    std::FILE* f = std::fopen(path, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// The settings file the plug-in takes: zelpin.txt, else zelpin.ini.
const char* SettingsFile()
{
    return Exists(kSettingsTxt) ? kSettingsTxt : kSettingsIni;
}

void Say(const char* format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    findings += line;
    findings += '\n';
}

// What the settings reader made of each key, where it differs from the file.
void ReportSettings(const char* path)
{
    if (!Exists(path)) {
        Say("no zelpin.txt or zelpin.ini: the defaults of plugin.ini");
        return;
    }
    std::FILE* f = std::fopen(path, "rb");
    unsigned char mark[2] = {0, 0};
    const size_t got = std::fread(mark, 1, 2, f);
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    if ((got == 2 && ((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF))) ||
        size > 64 * 1024) {
        Say("%s is UTF-16 or larger than 64 KiB: the plug-in leaves it to Windows' own reads, "
            "which this page does not have; it shows the defaults", path + 6);
        return;
    }
    const ProfileFile file(path, "ZELPIN");
    const struct {
        const char* key;
        int used;
        bool choice;   // 0..2, low byte taken
    } keys[] = {
        {"BlendMethod", config->blendMethod, true},
        {"AnalyzerMode", config->analyzerMode, true},
        {"Ratio", PercentFor(config->ratio), false},
        {"Enable", config->enable, false},
        {"Peaks", config->peaks, false},
        {"Rain", config->rain, false},
    };
    std::string defaulted;
    for (const auto& k : keys) {
        // Two defaults tell a missing or empty key from one that is there.
        const UINT a = file.Int(k.key, -7), b = file.Int(k.key, -8);
        if (a == static_cast<UINT>(-7) && b == static_cast<UINT>(-8)) {
            defaulted += (defaulted.empty() ? " " : ", ") + std::string(k.key) + "=" + std::to_string(k.used);
            continue;
        }
        const int raw = static_cast<int>(a);
        const bool isRatio = std::strcmp(k.key, "Ratio") == 0;
        if ((k.choice || isRatio) && (raw & 0xFF) != raw)
            Say("%s=%d: only the low byte counts, %d", k.key, raw, raw & 0xFF);
        const int low = raw & 0xFF;
        if ((k.choice && low > 2) || (isRatio && low > 100))
            Say("%s=%d is out of range: the default, %d", k.key, raw, k.used);
    }
    if (!defaulted.empty()) Say("missing or empty in %s, so the defaults:%s", path + 6, defaulted.c_str());
    Say("Ratio %d%% is %d/128 inside", PercentFor(config->ratio), config->ratio);
}

// Colour lines whose numbers wrap, and a short file.
void ReportColors()
{
    std::FILE* f = std::fopen(kColorsFile, "r");
    if (!f) {
        Say("no viscolor.txt: the built-in vis colours");
        return;
    }
    char line[256];
    int n = 0;
    static const char* const names[3] = {"red", "green", "blue"};
    for (; n < 24 && std::fgets(line, sizeof line, f); ++n) {
        const VisColorLine read = ReadVisColorLine(line);
        for (int c = 0; c < read.tokens; ++c)
            if (read.value[c] != read.low[c])
                Say("viscolor.txt colour %d: %s %d wraps to %d", n, names[c], read.value[c], read.low[c]);
    }
    std::fclose(f);
    if (n < 24) Say("viscolor.txt has %d colours: the other %d are the built-in ones", n, 24 - n);
}

// Whether main.bmp can be read here as the plug-in reads it.
bool ReportBitmap()
{
    if (!Exists(kBitmapFile)) {
        Say("no main.bmp: the plug-in keeps drawing with the skin before's strip; the page draws none");
        return false;
    }
    if (!BitmapFileLooksSound(kBitmapFile)) {
        Say("main.bmp is damaged or no bitmap: the plug-in keeps drawing with the skin before's "
            "strip; the page draws none");
        return false;
    }
    unsigned char head[kBmpPlainHeadSize];
    std::FILE* f = std::fopen(kBitmapFile, "rb");
    const DWORD got = static_cast<DWORD>(std::fread(head, 1, sizeof head, f));
    std::fclose(f);
    PlainBitmapLayout layout;
    if (!ReadPlainLayout(head, got, &layout)) {
        Say("main.bmp is compressed, top-down, 16-bit or has an old header: Windows' own loader "
            "reads it for the plug-in, and this page cannot");
        return false;
    }
    if (layout.width < kVisLeft + kVisWidth || layout.height < kVisTop + kVisHeight)
        Say("main.bmp is %lld x %lld: the vis area's part beyond it stays black", layout.width,
            layout.height);
    return true;
}

// A 24-bit surface's pixels as the canvas takes them: RGBA, rows from the top.
void ToRgba(const DibSurface& surface, unsigned char* out)
{
    const int w = surface.header->biWidth, h = surface.header->biHeight;
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = surface.pixels + static_cast<size_t>(h - 1 - y) * surface.stride;
        for (int x = 0; x < w; ++x, out += 4) {
            out[0] = row[3 * x + 2];
            out[1] = row[3 * x + 1];
            out[2] = row[3 * x];
            out[3] = 255;
        }
    }
}

// main.bmp whole, converted as the strip's copy converts it, for the page.
void KeepSkinPicture()
{
    skinPixels.clear();
    skinWidth = skinHeight = 0;
    DibSurface whole, converted;
    if (!whole.Load(kBitmapFile, 0, 0)) return;
    const int w = whole.header->biWidth, h = whole.header->biHeight;
    if (!converted.Create(w, h, 24)) return;
    BitBlt(converted.memDC, 0, 0, w, h, whole.memDC, 0, 0, SRCCOPY);
    skinPixels.resize(static_cast<size_t>(w) * h * 4);
    ToRgba(converted, skinPixels.data());
    skinWidth = w;
    skinHeight = h;
}

// As a reload does: the strip from the background, then the level-zero
// frame into the output.
void Rebuild()
{
    if (!haveBackground || config->enable == 0) return;
    BuildStrip(background, *config, *colors);
    BitBlt(outputSurface->memDC, 0, 0, kVisWidth, kVisHeight, stripSurface->memDC, 0,
           kLevelZeroFrameTop, SRCCOPY);
}

// A skin settings file that gives this look.
std::string LookText(int blend, int mode, int ratioPercent, int enable, int peaks, int rain)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "[ZELPIN]\r\nBlendMethod=%d\r\nAnalyzerMode=%d\r\nRatio=%d\r\nEnable=%d\r\n"
                  "Peaks=%d\r\nRain=%d\r\n",
                  blend, mode, ratioPercent, enable, peaks, rain);
    return text;
}

}  // namespace

extern "C" {

// Once, before anything else: the analyser's surfaces and the defaults.
EMSCRIPTEN_KEEPALIVE int zw_start()
{
    if (config) return 1;
    config = new ZelpinConfig(kDefaultsFile);
    colors = new VisColor;
    background = new DibSurface;
    return SetUpSurfaces();
}

// Reads the skin in /skin as a reload does; 1 when its analyser is drawn.
EMSCRIPTEN_KEEPALIVE int zw_load_skin()
{
    findings.clear();
    config->ReadSkinSettings(SettingsFile());
    ReportSettings(SettingsFile());
    if (config->enable == 0) Say("Enable=0: the plug-in draws nothing in this skin");
    colors->ReadVisColors(kColorsFile);
    ReportColors();
    const bool plain = ReportBitmap();
    haveBackground = plain && background->LoadRows(kBitmapFile, kVisTop, kVisHeight);
    KeepSkinPicture();
    Rebuild();
    lookText = LookText(config->blendMethod, config->analyzerMode, PercentFor(config->ratio),
                        config->enable != 0, config->peaks != 0, config->rain != 0);
    return haveBackground && config->enable != 0;
}

// The look chosen on the page, written as a skin's settings file and read by
// the plug-in's reader; the strip is built again at once.
EMSCRIPTEN_KEEPALIVE int zw_set_look(int blend, int mode, int ratioPercent, int enable, int peaks, int rain)
{
    const std::string text = LookText(blend, mode, ratioPercent, enable, peaks, rain);
    std::FILE* f = std::fopen(kLookFile, "wb");
    if (!f) return 0;
    std::fputs(text.c_str(), f);
    std::fclose(f);
    config->ReadSkinSettings(kLookFile);
    lookText = text;
    Rebuild();
    return haveBackground && config->enable != 0;
}

// One Render: the analyser of the skin's style draws the spectrum (1152
// bytes: channel 0's 576 bins, then channel 1's) into the output.
EMSCRIPTEN_KEEPALIVE int zw_render(const unsigned char* frame)
{
    if (!haveBackground || config->enable == 0) return 0;
    module.sRate = 44100;
    module.nCh = 2;
    std::memcpy(module.spectrumData, frame, sizeof module.spectrumData);
    if (config->peaks == 0) DrawBars(&module);
    else if (config->rain != 0) DrawBarsAndRain(&module);
    else DrawBarsAndPeaks(&module);
    return 1;
}

// The output's 76 x 16 pixels as RGBA, rows from the top.
EMSCRIPTEN_KEEPALIVE const unsigned char* zw_output_rgba()
{
    ToRgba(*outputSurface, outputPixels);
    return outputPixels;
}

// The analyser's columns as at load: a fresh library (the page's tests
// start every look from there, as the host starts a fresh process).
EMSCRIPTEN_KEEPALIVE void zw_reset_columns()
{
    std::memset(barHeld, 0, sizeof barHeld);
    std::memset(barDecay, 0, sizeof barDecay);
    std::memset(peakHeld, 0, sizeof peakHeld);
    std::memset(peakHold, 0, sizeof peakHold);
    std::memset(peakFall, 0, sizeof peakFall);
}

EMSCRIPTEN_KEEPALIVE const unsigned char* zw_skin_rgba() { return skinPixels.data(); }
EMSCRIPTEN_KEEPALIVE int zw_skin_width() { return skinWidth; }
EMSCRIPTEN_KEEPALIVE int zw_skin_height() { return skinHeight; }
EMSCRIPTEN_KEEPALIVE const char* zw_findings() { return findings.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* zw_look_text() { return lookText.c_str(); }

// The settings in effect, for the page's controls: 0 blend, 1 colour mode,
// 2 ratio in percent, 3 enable, 4 peaks, 5 rain.
EMSCRIPTEN_KEEPALIVE int zw_setting(int which)
{
    switch (which) {
    case 0: return config->blendMethod;
    case 1: return config->analyzerMode;
    case 2: return PercentFor(config->ratio);
    case 3: return config->enable != 0;
    case 4: return config->peaks != 0;
    default: return config->rain != 0;
    }
}

// A buffer of the page's for samples and frames.
EMSCRIPTEN_KEEPALIVE unsigned char* zw_buffer(int bytes)
{
    scratch.resize(static_cast<size_t>(bytes));
    return scratch.data();
}

// The decoded track: count samples of each channel, one after the other.
EMSCRIPTEN_KEEPALIVE int zw_set_samples(const float* samples, int count, int channels, int rate)
{
    spectrum.SetSamples(samples, channels > 1 ? samples + count : nullptr, count, rate);
    return spectrum.FrameCount(kFps);
}

// Spectrum frame k of the track (1152 bytes).
EMSCRIPTEN_KEEPALIVE const unsigned char* zw_spectrum_frame(int k)
{
    static unsigned char frame[2 * kSpectrumBins];
    spectrum.Frame(k, kFps, frame);
    return frame;
}

}  // extern "C"
