// Faults from outside the plug-in: damaged and odd skin files, odd host
// answers and notices, callbacks out of order, and a storm of window events
// while frames render. Every case drives the built library as a player does
// and ends with the host window answering, the heaps whole, nothing written
// past the plug-in's path buffers, and the analyser either painting its bars
// or cleanly off (the host's own paint left in the vis area).
#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "tests/support/draw_fixtures.h"
#include "tests/support/locator_fixtures.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/scenario_skins.h"
#include "tests/support/skin_files.h"

namespace {

int casesRun = 0;   // one per input driven through the library

class CaseCount : public ::testing::Environment {
public:
    void TearDown() override { std::printf("faults: %d cases, host alive\n", casesRun); }
};
::testing::Environment* const caseCount = ::testing::AddGlobalTestEnvironment(new CaseCount);

const COLORREF kBarNew = RGB(250, 120, 0);
// Exact at every depth: 1-bit palettes as much as 5-5-5 and 5-6-5 pixels.
const COLORREF kFrameF = RGB(0, 255, 0);
const COLORREF kBackgroundF = RGB(255, 0, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kMarker = RGB(1, 2, 3);

// The same as defaults, with the companion's skin notices followed.
const char kNoticeDefaults[] =
    "[ZELPIN]\r\nDependQuelbix=1\r\nRatio=100\r\nBlendMethod=0\r\nAnalyzerMode=2\r\n";

const int kLoudColumns = 37;   // bins 0..76 feed columns 0..36
const size_t kPathRoom = MAX_PATH;

std::vector<unsigned char> Spectrum(unsigned char loud)
{
    std::vector<unsigned char> data(2 * 576, 0);
    for (int bin = 0; bin < 77; ++bin) data[bin] = data[576 + bin] = loud;
    return data;
}

// --- Pictures of the 76 x 16 vis area ---------------------------------------

typedef std::function<COLORREF(int x, int y)> Picture;

Picture Plain(COLORREF colour)
{
    return [colour](int, int) { return colour; };
}

// Full loud columns (peak dot on top) and the skin's background in the rest.
Picture Bars(COLORREF peak, COLORREF bar, const Picture& quiet)
{
    return [=](int x, int y) { return x >= kLoudColumns ? quiet(x, y) : y == 0 ? peak : bar; };
}

Picture Bars(COLORREF peak, COLORREF bar, COLORREF quiet)
{
    return Bars(peak, bar, Plain(quiet));
}

const Picture kAlphaBars = Bars(kPeak, kBarA, kBackgroundA);
const Picture kBetaBars = Bars(kPeak, kBarB, kBackgroundB);
const Picture kAlphaOff = Plain(kBackgroundA);   // the host's paint with skin Alpha

std::vector<COLORREF> VisArea(HWND window)
{
    std::vector<COLORREF> colours;
    HDC dc = GetDC(window);
    if (!dc) return colours;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 76;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, copy);
    if (copy && memory && BitBlt(memory, 0, 0, 76, 16, dc, 24, 43, SRCCOPY)) {
        GdiFlush();
        const unsigned char* p = static_cast<const unsigned char*>(bits);
        for (int i = 0; i < 76 * 16; ++i)
            colours.push_back(RGB(p[4 * i + 2], p[4 * i + 1], p[4 * i]));
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(copy);
    ReleaseDC(window, dc);
    return colours;
}

// Pixels of the vis area that differ from the picture (all of them when it
// cannot be read); the first few are described in *first.
int Differences(HWND window, const Picture& want, std::string* first = nullptr)
{
    std::vector<COLORREF> got = VisArea(window);
    if (got.size() != 76 * 16) return 76 * 16;
    int wrong = 0;
    std::ostringstream text;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 76; ++x) {
            const COLORREF expected = want(x, y);
            const COLORREF actual = got[y * 76 + x];
            if (expected != actual && ++wrong <= 3)
                text << "; pixel " << x << "," << y << " expected 0x" << std::hex << expected
                     << ", got 0x" << actual << std::dec;
        }
    }
    if (first) *first = text.str();
    return wrong;
}

bool Shows(HWND window, const Picture& want, const std::string& what)
{
    std::string first;
    const int wrong = Differences(window, want, &first);
    EXPECT_EQ(0, wrong) << what << ": pixels differ" << first;
    return wrong == 0;
}

// Loud columns of one colour with a dot of one colour on top, whatever the
// colours are (for colour files of random bytes), over the given background.
Picture UniformBars(HWND window, COLORREF quiet)
{
    std::vector<COLORREF> got = VisArea(window);
    if (got.size() != 76 * 16) return Plain(CLR_INVALID);
    return Bars(got[0], got[76], quiet);
}

void FillVisArea(HWND window, COLORREF colour)
{
    HDC dc = GetDC(window);
    RECT area = {24, 43, 100, 59};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

// --- Health of the process ---------------------------------------------------

// The longest run of one byte anywhere in the library's image: a copy that
// ran past a 260-character global would leave a longer one.
size_t LongestRun(HMODULE library, unsigned char byte)
{
    const unsigned char* base = reinterpret_cast<const unsigned char*>(library);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const unsigned char* end = base + nt->OptionalHeader.SizeOfImage;
    size_t longest = 0;
    size_t run = 0;
    for (const unsigned char* p = base; p < end;) {
        MEMORY_BASIC_INFORMATION region;
        if (!VirtualQuery(p, &region, sizeof region)) break;
        const unsigned char* next =
            static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize;
        const bool readable =
            region.State == MEM_COMMIT && !(region.Protect & (PAGE_NOACCESS | PAGE_GUARD));
        for (; p < next && p < end; ++p) {
            run = readable && *p == byte ? run + 1 : 0;
            if (run > longest) longest = run;
        }
    }
    return longest;
}

void ExpectHealthy(HWND window, const winampVisModule* module, const std::string& what)
{
    if (window) {
        DWORD_PTR answer = 0;
        EXPECT_NE(0, SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer))
            << what << ": the host window does not answer";
    }
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < count && i < 256; ++i)
        EXPECT_TRUE(HeapValidate(heaps[i], 0, nullptr)) << what << ": heap " << i << " is damaged";
    if (module) {
        EXPECT_STREQ("ZELPIN", module->description) << what;
        EXPECT_TRUE(module->latencyMs == 15 && module->delayMs == 15 && module->spectrumNch == 2 &&
                    module->waveformNch == 0 && module->userData == nullptr && module->Config &&
                    module->Init && module->Render && module->Quit)
            << what << ": the module record was overwritten";
    }
}

void ExpectNoRunPastPath(HMODULE library, char marker, const std::string& what)
{
    EXPECT_GT(kPathRoom, LongestRun(library, static_cast<unsigned char>(marker)))
        << what << ": '" << marker << "' written past a path buffer";
}

// --- Files ---------------------------------------------------------------------

bool InVisArea(int x, int y)
{
    return x >= 24 && x < 100 && y >= 43 && y < 59;
}

COLORREF TestPixel(int x, int y)
{
    return InVisArea(x, y) ? kBackgroundF : kFrameF;
}

// A skin folder; its "main.bmp" is the whole main window (as the signature
// locator needs) or just the 100 x 59 corner that holds the vis area.
std::string MakeSkin(const std::string& folder, COLORREF frame, COLORREF background, COLORREF bar,
                     const std::string& settings = kSolid, bool wholeWindow = false)
{
    MakeFolder(folder);
    if (wholeWindow)
        WriteMainBitmap(folder + "\\main.bmp", frame, background);
    else
        WriteBmp24(folder + "\\main.bmp", 100, 59,
                   [&](int x, int y) { return InVisArea(x, y) ? background : frame; });
    WriteTextFile(folder + "\\viscolor.txt", VisColorText(bar, kPeak));
    WriteTextFile(folder + "\\zelpin.txt", settings);
    return folder;
}

// A copy of the library in a folder of its own, with its defaults file.
std::string Install(const std::string& folder, const std::string& pluginIni)
{
    MakeFolder(folder);
    const std::string library = folder + "\\vis_zelpin.dll";
    CopyFileA((ExeFolder() + "\\vis_zelpin.dll").c_str(), library.c_str(), FALSE);
    if (!pluginIni.empty()) WriteTextFile(folder + "\\plugin.ini", pluginIni);
    return library;
}

// 16- and 32-bit files with the test picture; masks are written after the
// header when given.
Bytes BmpDirect(int bitCount, DWORD compression, const std::vector<DWORD>& masks,
                const std::function<DWORD(COLORREF)>& encode)
{
    const int width = 100;
    const int height = 59;
    Bytes b = BmpHeaders(width, height, bitCount, compression, 0, 0,
                         static_cast<DWORD>(masks.size() * 4));
    for (DWORD mask : masks)
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(mask >> (8 * i)));
    const int rowBytes = (width * bitCount + 31) / 32 * 4;
    const int pixelBytes = bitCount / 8;
    for (int m = 0; m < height; ++m) {
        Bytes row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const DWORD v = encode(TestPixel(x, height - 1 - m));
            for (int i = 0; i < pixelBytes; ++i)
                row[x * pixelBytes + i] = static_cast<unsigned char>(v >> (8 * i));
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

const std::vector<RGBQUAD> kTwoColours = {{0, 255, 0, 0}, {255, 0, 255, 0}};   // frame, background

// Run-length coded: index 1 in the vis area, index 0 elsewhere. With a stream
// of its own, the runs are whatever those bytes say.
Bytes BmpRle(int bitCount, const Bytes& ownStream = Bytes())
{
    Bytes stream = ownStream;
    if (stream.empty()) {
        auto run = [&](int count, int index) {
            stream.push_back(static_cast<unsigned char>(count));
            stream.push_back(static_cast<unsigned char>(bitCount == 8 ? index : index * 0x11));
        };
        for (int m = 0; m < 59; ++m) {
            const int y = 58 - m;
            if (y >= 43) {
                run(24, 0);
                run(76, 1);
            } else {
                run(100, 0);
            }
            stream.push_back(0);
            stream.push_back(m == 58 ? 1 : 0);   // end of line, end of bitmap
        }
    }
    Bytes b = BmpHeaders(100, 59, bitCount, bitCount == 8 ? BI_RLE8 : BI_RLE4,
                         static_cast<DWORD>(stream.size()), 2, 8);
    for (const RGBQUAD& q : kTwoColours) {
        b.push_back(q.rgbBlue);
        b.push_back(q.rgbGreen);
        b.push_back(q.rgbRed);
        b.push_back(0);
    }
    b.insert(b.end(), stream.begin(), stream.end());
    return b;
}

Bytes Bmp24Test(int width, int height, bool topDown = false)
{
    return Bmp24(width, height, TestPixel, topDown);
}

std::string RandomBytes(std::mt19937& random, size_t size)
{
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(random() & 0xFF);
    return s;
}

std::string Repeat(const std::string& unit, size_t count)
{
    std::string s;
    s.reserve(unit.size() * count);
    for (size_t i = 0; i < count; ++i) s += unit;
    return s;
}

// --- Driving the library -----------------------------------------------------

void Frames(StandInHost& host, unsigned char loud, int times)
{
    std::vector<unsigned char> data = Spectrum(loud);
    for (int i = 0; i < times; ++i) host.RenderFrame(data.data());
}

// One frame for whatever reload is armed, then the host's own paint and two
// loud frames: an analyser that is off leaves that paint, one that runs
// paints its bars over it (a repaint arms a reload, which shows the bare
// background first).
void Settle(StandInHost& host)
{
    Frames(host, 255, 1);
    host.Repaint();
    Frames(host, 255, 2);
}

// One case: the picture (or, where the platform's own loader decides, the
// alternative it may make instead), the host answering, the heaps whole.
bool Check(HWND window, const winampVisModule* module, const Picture& want, const std::string& what,
           const Picture& orElse = nullptr)
{
    ++casesRun;
    const bool shown = (orElse && Differences(window, orElse) == 0) || Shows(window, want, what);
    ExpectHealthy(window, module, what);
    return shown;
}

bool Check(StandInHost& host, const Picture& want, const std::string& what,
           const Picture& orElse = nullptr)
{
    return Check(host.Window(), host.Module(), want, what, orElse);
}

void Notice(StandInHost& host, const std::string& name)
{
    host.SendSkinNotice(name.c_str(), static_cast<DWORD>(name.size() + 1));
}

// The library loaded as a player loads it, driven on the calling thread.
class Library {
public:
    explicit Library(const std::string& path) : dll(LoadLibraryA(path.c_str())), module(nullptr)
    {
        winampVisGetHeaderType getHeader =
            dll ? reinterpret_cast<winampVisGetHeaderType>(
                      reinterpret_cast<void (*)()>(GetProcAddress(dll, "winampVisGetHeader")))
                : nullptr;
        module = getHeader ? getHeader()->getModule(0) : nullptr;
        if (module) module->hDllInstance = dll;
    }
    ~Library()
    {
        if (module) module->Quit(module);
        if (dll) FreeLibrary(dll);
    }
    int Init(HWND window)
    {
        module->hwndParent = window;
        return module->Init(module);
    }
    int Render(unsigned char loud, int times = 1)
    {
        std::vector<unsigned char> data = Spectrum(loud);
        int result = 0;
        for (int i = 0; i < times; ++i) {
            module->sRate = 44100;
            module->nCh = 2;
            std::memcpy(module->spectrumData, data.data(), data.size());
            result |= module->Render(module);
        }
        return result;
    }
    void Quit() { module->Quit(module); }

    HMODULE dll;
    winampVisModule* module;

    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

// Ends the process when a phase makes no progress, so a hang fails the run
// rather than stalling it.
class Watchdog {
public:
    Watchdog(DWORD limitMs, const char* what)
        : done(CreateEventA(nullptr, TRUE, FALSE, nullptr)), limit(limitMs), name(what)
    {
        thread = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
    }
    ~Watchdog()
    {
        SetEvent(done);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        CloseHandle(done);
    }

private:
    static DWORD WINAPI Watch(void* param)
    {
        Watchdog* self = static_cast<Watchdog*>(param);
        if (WaitForSingleObject(self->done, self->limit) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "%s: no end after %lu ms, the host hangs\n", self->name,
                         static_cast<unsigned long>(self->limit));
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        return 0;
    }
    HANDLE done;
    HANDLE thread;
    DWORD limit;
    const char* name;
};

// --- The stand-in host with two skins and two installed copies ---------------

class Faults : public ::testing::Test {
protected:
    Faults()
    {
        MakeFolder(root / "Skins");
        MakeSkin(root / "Skins\\Alpha", kFrameA, kBackgroundA, kBarA, kSolid, true);
        MakeSkin(root / "Skins\\Beta", kFrameB, kBackgroundB, kBarB, kSolid, true);
        repaintWatch = Install(root / "Plugins", "");
        noticeWatch = Install(root / "Notice", kNoticeDefaults);
        options.skinsFolder = root / "Skins";
        options.skin = "Alpha";
    }

    void Open(StandInHost& h, int version, bool notices)
    {
        StandInHost::Options o = options;
        o.version = version;
        o.pluginPath = notices ? noticeWatch : repaintWatch;
        ASSERT_TRUE(h.Open(o));
    }

    // A running plug-in that has loaded skin Alpha.
    void Start(int version, bool notices)
    {
        Open(host, version, notices);
        ASSERT_EQ(0, host.LoadPlugin());
        Settle(host);
        ASSERT_TRUE(Shows(host.Window(), kAlphaBars, "start"));
    }

    TempFolder root{"faults"};
    std::string repaintWatch;
    std::string noticeWatch;
    StandInHost::Options options;
    StandInHost host;
};

}  // namespace

TEST_F(Faults, SkinBitmapsOfEveryKind)
{
    Start(0x1FFF, true);
    const Picture loaded = Bars(kPeak, kBarNew, kBackgroundF);
    const Picture black = Bars(kPeak, kBarNew, kBlack);
    struct Kind {
        const char* what;
        bool present;
        Bytes bytes;
        Picture want;               // kAlphaBars: the load failed and the previous strip stays
        Picture orElse = nullptr;   // what the platform's loader may make of it instead
    };
    std::vector<Kind> kinds = {
        {"missing", false, {}, kAlphaBars},
        {"empty", true, {}, kAlphaBars},
        {"not a bitmap", true, Bytes(200, 'z'), kAlphaBars},
        {"1 bit per pixel", true, BmpPaletted(100, 59, 1, kTwoColours, InVisArea), loaded},
        {"4 bits per pixel", true, BmpPaletted(100, 59, 4, kTwoColours, InVisArea), loaded},
        {"8 bits per pixel", true, BmpPaletted(100, 59, 8, kTwoColours, InVisArea), loaded},
        {"16 bits per pixel", true,
         BmpDirect(16, BI_RGB, {},
                   [](COLORREF c) -> DWORD {
                       return ((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) |
                              (GetBValue(c) >> 3);
                   }),
         loaded},
        {"16 bits per pixel in 5-6-5 fields", true,
         BmpDirect(16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F},
                   [](COLORREF c) -> DWORD {
                       return ((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) |
                              (GetBValue(c) >> 3);
                   }),
         loaded},
        {"24 bits per pixel", true, Bmp24Test(100, 59), loaded},
        {"32 bits per pixel", true,
         BmpDirect(32, BI_RGB, {},
                   [](COLORREF c) -> DWORD {
                       return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
                   }),
         loaded},
        {"run-length coded, 8 bits", true, BmpRle(8), loaded},
        {"run-length coded, 4 bits", true, BmpRle(4), loaded},
        // Wine's loader reads top-down files as black.
        {"top-down rows", true, Bmp24Test(100, 59, true), loaded, black},
        {"1 x 1", true, Bmp24Test(1, 1), black},
        {"80 x 52, smaller than the vis area's corner", true, Bmp24Test(80, 52),
         Bars(kPeak, kBarNew,
              [](int x, int y) { return x + 24 < 80 && y + 43 < 52 ? kBackgroundF : kBlack; })},
        {"30000 x 30000 in the header, a tiny body", true,
         [] {
             Bytes b = BmpHeaders(30000, 30000, 24, BI_RGB);
             b.resize(b.size() + 64, 0x55);
             return b;
         }(),
         kAlphaBars},
        {"4000 x 3000 in the header, a tiny body", true,
         [] {
             Bytes b = BmpHeaders(4000, 3000, 8, BI_RGB);
             b.resize(b.size() + 1024 + 64, 0x55);
             return b;
         }(),
         kAlphaBars},
    };
    for (size_t i = 0; i < kinds.size(); ++i) {
        const std::string name = "Bitmap" + std::to_string(i);
        const std::string folder =
            MakeSkin(root / ("Skins\\" + name), kFrameF, kBackgroundF, kBarNew);
        if (kinds[i].present)
            WriteBytes(folder + "\\main.bmp", kinds[i].bytes);
        else
            DeleteFileA((folder + "\\main.bmp").c_str());
        Notice(host, "Alpha");   // the previous strip is Alpha's
        Settle(host);
        Notice(host, name);
        Settle(host);
        Check(host, kinds[i].want, std::string("main.bmp ") + kinds[i].what, kinds[i].orElse);
    }

    // Run-length streams of random bytes: the file's headers are sound, its
    // runs are not. Whether the platform takes such a stream or refuses it,
    // the bars are drawn, in the new colours or in Alpha's.
    std::mt19937 random(1601);
    const std::string folder = MakeSkin(root / "Skins\\Garbled", kFrameF, kBackgroundF, kBarNew);
    for (int i = 0; i < 24; ++i) {
        const std::string runs = RandomBytes(random, 64 + random() % 4000);
        WriteBytes(folder + "\\main.bmp", BmpRle(i % 2 ? 4 : 8, Bytes(runs.begin(), runs.end())));
        Notice(host, "Alpha");
        Settle(host);
        Notice(host, "Garbled");
        Settle(host);
        std::vector<COLORREF> got = VisArea(host.Window());
        ASSERT_EQ(76u * 16u, got.size());
        const COLORREF bar = got[76] == kBarNew ? kBarNew : kBarA;
        const std::string what = "garbled run-length stream " + std::to_string(i);
        Check(
            host,
            [&](int x, int y) {
                return x < kLoudColumns ? (y == 0 ? kPeak : bar) : got[y * 76 + x];
            },
            what);
    }
}

TEST_F(Faults, BitmapsCutShortKeepThePreviousStrip)
{
    Start(0x1FFF, true);
    const std::string folder = MakeSkin(root / "Skins\\Cut", kFrameF, kBackgroundF, kBarNew);
    const struct {
        const char* what;
        Bytes whole;
    } files[] = {
        {"24-bit", Bmp24Test(100, 59)},
        {"8-bit", BmpPaletted(100, 59, 8, kTwoColours, InVisArea)},
        {"run-length coded", BmpRle(8)},
    };
    for (const auto& file : files) {
        for (size_t n = 0; n < file.whole.size(); n += 16) {
            WriteBytes(folder + "\\main.bmp", Bytes(file.whole.begin(), file.whole.begin() + n));
            Notice(host, "Cut");
            Settle(host);
            if (!Check(host, kAlphaBars,
                       std::string(file.what) + " main.bmp cut at " + std::to_string(n)))
                break;   // one report is enough
        }
        WriteBytes(folder + "\\main.bmp", file.whole);
        Notice(host, "Cut");
        Settle(host);
        Check(host, Bars(kPeak, kBarNew, kBackgroundF), std::string(file.what) + " main.bmp whole");
        Notice(host, "Alpha");
        Settle(host);
    }
}

TEST_F(Faults, SettingsAndColourFilesOfAnyShape)
{
    Start(0x1FFF, true);
    const COLORREF background = RGB(30, 90, 150);
    const Picture drawn = Bars(kPeak, kBarNew, background);
    const Picture allNew = Bars(kBarNew, kBarNew, background);   // every vis colour is kBarNew
    int serial = 0;
    // Every case in a folder never used before: the profile reader caches a
    // file by its name and write time. A null picture stands for bars of
    // whatever colours random bytes make.
    auto run = [&](const char* file, const std::string& text, const Picture& want,
                   const std::string& what) {
        const std::string name = "Settings" + std::to_string(++serial);
        const std::string folder =
            MakeSkin(root / ("Skins\\" + name), kFrameF, background, kBarNew);
        if (std::strcmp(file, "zelpin.ini") == 0) DeleteFileA((folder + "\\zelpin.txt").c_str());
        WriteTextFile(folder + "\\" + file, text);
        Notice(host, name);
        Settle(host);
        Check(host, want ? want : UniformBars(host.Window(), background),
              std::string(file) + " " + what);
    };

    std::mt19937 random(2718);
    for (int i = 0; i < 150; ++i)
        run("viscolor.txt", RandomBytes(random, random() % 3000), nullptr,
            "of random bytes #" + std::to_string(i));
    for (int i = 0; i < 150; ++i)
        run("zelpin.txt", RandomBytes(random, random() % 3000), drawn,
            "of random bytes #" + std::to_string(i));
    for (int i = 0; i < 50; ++i)
        run("zelpin.ini", RandomBytes(random, random() % 3000), drawn,
            "of random bytes #" + std::to_string(i));

    const char nulColour[] = "250,120,0\0 9,9,9\r\n";
    run("viscolor.txt", Repeat(std::string(nulColour, sizeof nulColour - 1), 24), allNew,
        "with NUL bytes");
    // 15 characters a colour: every 255-character read starts with one.
    run("viscolor.txt", Repeat("250,120,0,     ", 69906), allNew, "of one 1 MB line");
    run("viscolor.txt", Repeat("250,120,0\r\n", 100000), allNew, "of 100,000 lines");

    std::string lines;
    for (int i = 0; i < 100000; ++i)
        lines += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    const char nulSettings[] = "[ZELPIN]\r\nEnable=0\r\n\0\0\0Junk\0=\0\r\n\0\r\n";
    for (const char* file : {"zelpin.txt", "zelpin.ini"}) {
        run(file, std::string(nulSettings, sizeof nulSettings - 1), kAlphaOff, "with NUL bytes");
        run(file, "[ZELPIN]\r\nJunk=" + std::string(1 << 20, 'j') + "\r\nEnable=0\r\n", kAlphaOff,
            "with a 1 MB line");
        run(file, "[ZELPIN]\r\n" + lines + "Enable=0\r\n", kAlphaOff, "of 100,000 lines");
    }
}

TEST_F(Faults, DefaultsFilesOfAnyShape)
{
    Open(host, 0x2004, false);
    std::mt19937 random(31415);
    std::vector<std::pair<std::string, Picture>> files;
    for (int i = 0; i < 40; ++i)
        files.push_back({RandomBytes(random, 1 + random() % 3000), kAlphaBars});
    const char nuls[] = "[ZELPIN]\r\nEnable=0\r\n\0\0\0Junk\0=\0\r\n\0\r\n";
    files.push_back({std::string(nuls, sizeof nuls - 1), kAlphaOff});
    files.push_back(
        {"[ZELPIN]\r\nJunk=" + std::string(1 << 20, 'j') + "\r\nEnable=0\r\n", kAlphaOff});
    std::string lines = "[ZELPIN]\r\n";
    for (int i = 0; i < 100000; ++i)
        lines += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    files.push_back({lines + "Enable=0\r\n", kAlphaOff});

    for (size_t i = 0; i < files.size(); ++i) {
        host.Repaint();
        Library library(Install(root / ("Defaults" + std::to_string(i)), files[i].first));
        ASSERT_NE(nullptr, library.module);
        EXPECT_EQ(0, library.Init(host.Window()));
        library.Render(255);
        host.Repaint();
        library.Render(255, 2);
        Check(host.Window(), library.module, files[i].second, "plugin.ini #" + std::to_string(i));
    }
}

TEST_F(Faults, SkinNoticesOfAnyShape)
{
    Start(0x1FFF, true);
    const COLORREF backgroundG = RGB(200, 200, 0);
    const COLORREF barG = RGB(0, 100, 0);
    MakeSkin(root / "Skins\\G", kFrameF, backgroundG, barG);
    MakeSkin(root / "Outside", kFrameF, kBackgroundF, kBarNew);
    const Picture gBars = Bars(kPeak, barG, backgroundG);
    const Picture outside = Bars(kPeak, kBarNew, kBackgroundF);
    const size_t folder = host.SkinsFolder().size() + 1;   // with the backslash the plug-in adds
    ASSERT_LT(folder, 200u);
    const std::string xs(4096, 'x');
    const std::string fits(kPathRoom - 1 - folder, 'y');   // the path's last character
    const std::string over(kPathRoom - folder, 'y');
    const struct {
        const char* what;
        const void* data;
        size_t size;
        ULONG_PTR code;
        Picture want;
    } notices[] = {
        {"cbData 0: the Skins folder itself, no skin files in it", "", 0, 10650, kAlphaBars},
        {"cbData 1: one letter of the name", "Gamma", 1, 10650, gBars},
        {"no terminating NUL", "Beta", 4, 10650, kBetaBars},
        {"cbData 259 without a NUL: too long, ignored", xs.data(), 259, 10650, kBetaBars},
        {"cbData 260", xs.data(), 260, 10650, kBetaBars},
        {"cbData 4096", xs.data(), 4096, 10650, kBetaBars},
        {"null lpData with cbData 16", nullptr, 16, 10650, kBetaBars},
        {"another data code", "Alpha", 6, 10651, kBetaBars},
        {"a trailing backslash", "Alpha\\", 7, 10650, kAlphaBars},
        {"'..': the folder above, no skin files in it", "..", 3, 10650, kAlphaBars},
        {"'..\\Outside': a skin beside the Skins folder", "..\\Outside", 11, 10650, outside},
        {"a folder that does not exist", "Nowhere", 8, 10650, outside},
        {"a name one character too long for the path", over.c_str(), over.size() + 1, 10650,
         outside},
        {"a name that fills the path: no room for file names", fits.c_str(), fits.size() + 1, 10650,
         kAlphaOff},
        {"a name again", "Alpha", 6, 10650, kAlphaBars},
    };
    for (const auto& n : notices) {
        host.SendSkinNotice(n.data, static_cast<DWORD>(n.size), n.code);
        Settle(host);
        Check(host, n.want, std::string("notice: ") + n.what);
        ExpectNoRunPastPath(host.Library(), 'x', n.what);
        ExpectNoRunPastPath(host.Library(), 'y', n.what);
    }
    SendMessageA(host.Window(), WM_COPYDATA, 0, 0);
    Settle(host);
    Check(host, kAlphaBars, "WM_COPYDATA without a data record");
}

TEST_F(Faults, EveryVersionBoundary)
{
    const struct {
        int number;
        bool starts;
        bool recognises;   // the picture locator, which has no catalogue in notice mode
    } versions[] = {
        {0x18FF, false, false}, {0x1900, true, true}, {0x1902, true, true}, {0x1903, true, false},
        {0x1FFF, true, false},  {0x2000, true, true}, {0x2003, true, true}, {0x2004, true, false},
        {0, false, false},      {-1, false, false},
    };
    for (const auto& v : versions) {
        for (bool notices : {false, true}) {
            if (!v.starts && notices) continue;   // refused before the setting is looked at
            std::ostringstream name;
            name << "version 0x" << std::hex << v.number << (notices ? " with notices" : "");
            const std::string what = name.str();
            StandInHost h;
            Open(h, v.number, notices);
            if (!v.starts) {
                MessageBoxWatcher watcher;
                EXPECT_EQ(1, h.LoadPlugin()) << what;
                std::vector<MessageBoxWatcher::Seen> boxes = watcher.Boxes();
                ASSERT_EQ(1u, boxes.size()) << what;
                EXPECT_EQ("Can't Initialized SkinSuck Class", boxes[0].text) << what;
                Settle(h);
                Check(h, kAlphaOff, what);
                continue;
            }
            ASSERT_EQ(0, h.LoadPlugin()) << what;
            const bool followsNotices = notices && v.number < 0x2004;
            EXPECT_EQ(followsNotices ? 1 : 0, h.MessagesSeen(0x466, 7)) << what;
            Settle(h);
            Check(h, followsNotices && v.recognises ? kAlphaOff : kAlphaBars,
                  what + ", first skin");
            if (followsNotices)
                Notice(h, "Beta");
            else
                h.SwitchSkin("Beta");
            Settle(h);
            Check(h, kBetaBars, what + ", next skin");
        }
    }
}

TEST_F(Faults, CallbacksOutOfOrder)
{
    Open(host, 0x2004, false);
    HWND window = host.Window();
    Library library(repaintWatch);
    ASSERT_NE(nullptr, library.module);
    const Picture untouched = Plain(kMarker);

    FillVisArea(window, kMarker);
    EXPECT_EQ(0, library.Render(255, 2));
    Check(window, library.module, untouched, "Render before Init");
    library.Quit();
    EXPECT_EQ(0, library.Render(255, 2));
    Check(window, library.module, untouched, "Quit before Init");

    ASSERT_EQ(0, library.Init(window));
    library.Render(255, 2);
    ASSERT_TRUE(Shows(window, kAlphaBars, "Init"));
    library.Quit();
    library.Quit();
    host.Repaint();   // would arm a reload if a hook were left
    FillVisArea(window, kMarker);
    EXPECT_EQ(0, library.Render(255, 3));
    Check(window, library.module, untouched, "Quit twice, then Render");

    ASSERT_EQ(0, library.Init(window));
    library.Render(255, 2);
    Check(window, library.module, kAlphaBars, "Init after Quit");

    library.Quit();
    library.module->hDllInstance = nullptr;   // a hook for all threads needs the library's handle
    {
        MessageBoxWatcher watcher;
        EXPECT_EQ(1, library.Init(window));
        std::vector<MessageBoxWatcher::Seen> boxes = watcher.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("Unable to set hook", boxes[0].text);
    }
    library.module->hDllInstance = library.dll;
    host.Repaint();
    library.Render(255, 2);
    Check(window, library.module, kAlphaOff, "Init without the library's handle");
    ASSERT_EQ(0, library.Init(window));
    library.Render(255, 2);
    Check(window, library.module, kAlphaBars, "Init after a failed Init");
}

TEST_F(Faults, InitWithNoDrawingObjectsLeft)
{
    Open(host, 0x2004, false);
    HWND window = host.Window();
    Library library(repaintWatch);
    ASSERT_NE(nullptr, library.module);
    std::vector<HDC> taken;
    for (HDC dc; taken.size() < 200000 && (dc = CreateCompatibleDC(nullptr)) != nullptr;)
        taken.push_back(dc);
    ASSERT_GT(200000u, taken.size()) << "the platform never refused a drawing context";
    int result = 0;
    std::vector<MessageBoxWatcher::Seen> boxes;
    {
        MessageBoxWatcher watcher;
        result = library.Init(window);
        boxes = watcher.Boxes();
    }
    for (HDC dc : taken) DeleteDC(dc);
    EXPECT_EQ(1, result);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Error setting up buffers", boxes[0].text);
    host.Repaint();
    library.Render(255, 2);
    Check(window, library.module, kAlphaOff, "Init with no drawing objects left");
    ASSERT_EQ(0, library.Init(window));
    library.Render(255, 2);
    Check(window, library.module, kAlphaBars, "Init once drawing objects are back");
}

TEST_F(Faults, HostWindowDestroyedWhileRunning)
{
    for (bool notices : {false, true}) {
        const std::string what =
            notices ? "window gone, with notices" : "window gone, with repaints";
        StandInHost h;
        Open(h, notices ? 0x1FFF : 0x2004, notices);
        ASSERT_EQ(0, h.LoadPlugin());
        Settle(h);
        ASSERT_TRUE(Shows(h.Window(), kAlphaBars, what));
        // A reload armed now runs against the vanished window.
        if (notices)
            Notice(h, "Beta");
        else
            h.SwitchSkin("Beta");
        HWND gone = h.Window();
        SendMessageA(gone, WM_CLOSE, 0, 0);   // its default handling destroys the window
        ASSERT_FALSE(IsWindow(gone));
        Frames(h, 255, 500);
        Frames(h, 0, 500);
        ++casesRun;
        ExpectHealthy(nullptr, h.Module(), what);
        h.UnloadPlugin();   // Quit, then unload, as the player ends
    }
    // The process goes on: a new host window gets the library afresh.
    StandInHost h;
    Open(h, 0x2004, false);
    ASSERT_EQ(0, h.LoadPlugin());
    Settle(h);
    Check(h, kAlphaBars, "a new host after the window was gone");
}

namespace {

// Counts the loads of one library, by file name, from a notification the
// loader sends: a hook left behind by an unloaded library makes the platform
// load it again to call the hook procedure.
class LoadWatch {
public:
    explicit LoadWatch(const wchar_t* name) : baseName(name), loads(0), cookie(nullptr)
    {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        Register reg = reinterpret_cast<Register>(
            reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "LdrRegisterDllNotification")));
        unregister = reinterpret_cast<Unregister>(
            reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "LdrUnregisterDllNotification")));
        if (reg && unregister) reg(0, Notified, this, &cookie);
    }
    ~LoadWatch()
    {
        if (cookie) unregister(cookie);
    }
    bool Watching() const { return cookie != nullptr; }
    long Loads() const { return loads; }

private:
    struct Data {
        ULONG flags;
        const UNICODE_STRING* fullName;
        const UNICODE_STRING* baseName;
        void* base;
        ULONG size;
    };
    typedef void(CALLBACK* Callback)(ULONG reason, const Data* data, void* context);
    typedef LONG(NTAPI* Register)(ULONG flags, Callback callback, void* context, void** cookie);
    typedef LONG(NTAPI* Unregister)(void* cookie);
    static const ULONG kLoaded = 1;

    static void CALLBACK Notified(ULONG reason, const Data* data, void* context)
    {
        LoadWatch* self = static_cast<LoadWatch*>(context);
        const UNICODE_STRING* name = data->baseName;
        if (reason == kLoaded && name &&
            std::wstring(name->Buffer, name->Length / sizeof(wchar_t)) == self->baseName)
            ++self->loads;
    }

    std::wstring baseName;
    std::atomic<long> loads;
    void* cookie;
    Unregister unregister;
};

}  // namespace

TEST_F(Faults, UnloadWithoutQuitTakesTheHookAlong)
{
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 400, 400, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    for (bool notices : {false, true}) {
        const std::string what =
            notices ? "unloaded without Quit, notices" : "unloaded without Quit, repaints";
        StandInHost h;
        Open(h, notices ? 0x1FFF : 0x2004, notices);
        ASSERT_EQ(0, h.LoadPlugin());
        Settle(h);
        ASSERT_TRUE(Shows(h.Window(), kAlphaBars, what));
        h.UnloadPlugin(false);
        EXPECT_EQ(nullptr, GetModuleHandleA((notices ? noticeWatch : repaintWatch).c_str()))
            << what << ": the library is still loaded";
        // A hook left behind would have the library loaded again now.
        LoadWatch watch(L"vis_zelpin.dll");
        ASSERT_TRUE(watch.Watching());
        COPYDATASTRUCT notice = {10650, 5, const_cast<char*>("Beta")};
        for (HWND window : {h.Window(), other}) {
            SendMessageA(window, WM_PAINT, 0, 0);
            SendMessageA(window, WM_SIZE, 0, MAKELPARAM(275, 116));
            SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
        }
        h.SetDoubleSize(true);
        h.SetDoubleSize(false);
        h.Repaint();
        EXPECT_EQ(0, watch.Loads()) << what << ": a hook was left behind";
        Check(h, kAlphaOff, what);
    }
    DestroyWindow(other);
}

// With notices followed, nothing but a notice arms a reload: a resize that
// comes between the arming and the next frame must not cancel it, or the
// skin stays wrong until the companion happens to send another notice.
TEST_F(Faults, ResizeBeforeTheNextFrameKeepsTheArmedReload)
{
    Open(host, 0x1FFF, true);
    ASSERT_EQ(0, host.LoadPlugin());   // arms the first skin load
    host.SetDoubleSize(true);
    host.SetDoubleSize(false);
    Settle(host);
    Check(host, kAlphaBars, "resize between Init and the first frame");

    Notice(host, "Alpha");
    Settle(host);
    Notice(host, "Beta");
    host.SetDoubleSize(true);
    host.SetDoubleSize(false);
    Settle(host);
    Check(host, kBetaBars, "resize between a notice and the next frame");
}

namespace {

struct Storm {
    winampVisModule* module;
    std::atomic<bool> calm{false};     // the window events are over
    std::atomic<bool> shaded{false};   // the window is (being) shaded: frames draw nothing
    std::atomic<long> frames{0};
    std::atomic<long> drawn{0};   // frames while the window was not shaded
};

// The visualisation thread without a clock: one Render after another until
// the window events are over.
DWORD WINAPI RenderFlatOut(void* param)
{
    Storm* storm = static_cast<Storm*>(param);
    const std::vector<unsigned char> loud = Spectrum(255);
    const std::vector<unsigned char> quiet = Spectrum(0);
    for (long i = 0; !storm->calm; ++i) {
        std::memcpy(storm->module->spectrumData, (i % 3 ? loud : quiet).data(), loud.size());
        const bool shaded = storm->shaded;
        storm->module->Render(storm->module);
        ++storm->frames;
        if (!shaded && !storm->shaded) ++storm->drawn;
    }
    return 0;
}

}  // namespace

TEST_F(Faults, WindowEventStormWhileFramesRenderFlatOut)
{
    for (bool notices : {false, true}) {
        const std::string what = notices ? "storm with notices" : "storm with repaints";
        StandInHost h;
        Open(h, notices ? 0x1FFF : 0x2004, notices);
        ASSERT_EQ(0, h.LoadPlugin());
        Storm storm;
        storm.module = h.Module();
        int events = 0;
        {
            Watchdog watchdog(180000, what.c_str());
            HANDLE renderer = CreateThread(nullptr, 0, RenderFlatOut, &storm, 0, nullptr);
            ASSERT_NE(nullptr, renderer);
            // At least 450 events, and on until 20,000 frames had something to draw.
            for (; events < 450 || storm.drawn < 20000; ++events) {
                const int step = events % 9;
                if (step == 1) storm.shaded = true;   // from before the window shades
                switch (step) {
                case 0: h.SetDoubleSize(true); break;
                case 1: h.SetShaded(true); break;
                case 2: h.Repaint(); break;
                case 3: h.SetShaded(false); break;
                case 4: h.SwitchSkin("Beta"); break;
                case 5: h.SetDoubleSize(false); break;
                case 6: Notice(h, "Alpha"); break;
                case 7: h.SwitchSkin("Alpha"); break;
                default: Notice(h, "Beta"); break;
                }
                if (step == 3) storm.shaded = false;   // until it is shown again
            }
            storm.calm = true;
            WaitForSingleObject(renderer, INFINITE);
            CloseHandle(renderer);
        }
        h.SetShaded(false);
        h.SetDoubleSize(false);
        if (notices)
            Notice(h, "Beta");
        else
            h.SwitchSkin("Beta");
        Frames(h, 255, 2);   // the reload frame, then one loud frame
        Check(h, kBetaBars, what);
        std::printf("%s: %d window events, %ld frames, %ld of them unshaded\n", what.c_str(),
                    events, storm.frames.load(), storm.drawn.load());
    }
}

namespace {

// A host window of the test's own, on this thread, whose answers can be
// anything; the library is driven on this thread too.
class OddHost : public ::testing::Test {
protected:
    OddHost()
    {
        MakeFolder(root / "Skins");
        alpha = MakeSkin(root / "Skins\\Alpha", kFrameA, kBackgroundA, kBarA, kSolid, true);
        MakeSkin(root / "Skins\\Beta", kFrameB, kBackgroundB, kBarB, kSolid, true);
        repaintWatch = Install(root / "Plugins", "");
        noticeWatch = Install(root / "Notice", kNoticeDefaults);
        host.version = 0x2004;
        Answer(alpha + std::string(1, '\0'), "Alpha");
        host.Show(alpha + "\\main.bmp");
    }
    ~OddHost() override { DeleteFileA(HostIniPath().c_str()); }

    void Answer(const std::string& pathBytes, const char* name)
    {
        host.pathBytes = pathBytes;
        host.skinName = name;
    }

    // The host's paint (a repaint arms a reload), a frame, the same again and
    // two loud frames.
    void Settle(Library& library)
    {
        host.Show(alpha + "\\main.bmp");
        library.Render(255);
        host.Show(alpha + "\\main.bmp");
        library.Render(255, 2);
    }

    void Notice(const void* data, DWORD size)
    {
        COPYDATASTRUCT notice = {10650, size, const_cast<void*>(data)};
        SendMessageA(host.hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
    }

    TempFolder root{"oddhost"};
    std::string alpha;
    std::string repaintWatch;
    std::string noticeWatch;
    FakeHost host{275, 116};
};

}  // namespace

TEST_F(OddHost, AnswersToTheSkinQuery)
{
    Library library(repaintWatch);
    ASSERT_NE(nullptr, library.module);
    ASSERT_EQ(0, library.Init(host.hwnd));
    Settle(library);
    ASSERT_TRUE(Shows(host.hwnd, kAlphaBars, "the host's own answer"));
    const std::string path = alpha + std::string(1, '\0');
    const std::string longName(1000, 'n');
    const struct {
        const char* what;
        std::string path;
        const char* name;
        Picture want;
    } answers[] = {
        {"answer 0 for the name", path, nullptr, kAlphaOff},
        {"an empty path", std::string(1, '\0'), "Alpha", kAlphaOff},
        {"a 259-character path: no room for file names",
         "C:\\" + std::string(256, 'p') + std::string(1, '\0'), "Alpha", kAlphaOff},
        {"260 path bytes without a terminator", "C:\\" + std::string(257, 'p'), "Alpha", kAlphaOff},
        {"a 1,000-character name", path, longName.c_str(), kAlphaBars},
        {"the same long name again", path, longName.c_str(), kAlphaBars},
        {"its own name again", path, "Alpha", kAlphaBars},
    };
    for (const auto& a : answers) {
        Answer(a.path, a.name);
        Settle(library);
        const std::string what = std::string("IPC_GETSKIN: ") + a.what;
        Check(host.hwnd, library.module, a.want, what);
        ExpectNoRunPastPath(library.dll, 'n', what);
        ExpectNoRunPastPath(library.dll, 'p', what);
    }
}

TEST_F(OddHost, SkinDirOfExactly259Characters)
{
    host.version = 0x1FFF;
    const struct {
        const char* what;
        std::string value;
        Picture want;   // after a notice of the Skins folder itself
    } dirs[] = {
        // No room for the backslash: the host's own folder is used, where no
        // skin files are, so the strip stays.
        {"259 characters without a backslash", "C:\\" + std::string(256, 'd'), kAlphaBars},
        // Kept as it is: the folder alone fills the path and no file name fits.
        {"259 characters ending in a backslash", "C:\\" + std::string(255, 'd') + "\\", kAlphaOff},
    };
    for (const auto& dir : dirs) {
        WriteHostIni("[Winamp]\r\nSkinDir=" + dir.value + "\r\n");
        Library library(noticeWatch);
        ASSERT_NE(nullptr, library.module);
        ASSERT_EQ(0, library.Init(host.hwnd));
        Settle(library);
        ASSERT_TRUE(Shows(host.hwnd, kAlphaBars, dir.what));   // the first skin comes from the host
        Notice("", 0);
        Settle(library);
        const std::string what = std::string("SkinDir of ") + dir.what;
        Check(host.hwnd, library.module, dir.want, what);
        ExpectNoRunPastPath(library.dll, 'd', what);
    }
}

// The locator takes the host's path from the module that owns the host
// window; a window can name any module as its owner.
TEST_F(OddHost, HostModulesOfOddNames)
{
    host.version = 0x1FFF;
    const std::string folder = root / "Ho.st";
    MakeFolder(folder);
    ASSERT_TRUE(CopyFileA((ExeFolder() + "\\vis_zelpin.dll").c_str(), (folder + "\\winamp").c_str(),
                          FALSE));
    WriteTextFile(folder + "\\winamp.ini", "[Winamp]\r\nSkinDir=" + (root / "Skins") + "\r\n");
    // The final dot keeps the loader from adding ".dll".
    HMODULE dotless = LoadLibraryA((folder + "\\winamp.").c_str());
    ASSERT_NE(nullptr, dotless);
    char name[MAX_PATH] = "";
    GetModuleFileNameA(dotless, name, MAX_PATH);
    ASSERT_EQ(folder + "\\winamp", name);
    WriteHostIni("[Winamp]\r\nSkinDir=C:\\NoSkinsHere\r\n");   // the test program's own

    const struct {
        const char* what;
        HINSTANCE instance;
        Picture want;   // after a notice of skin Beta
    } owners[] = {
        {"a host file name without a dot, in a folder with one", dotless, kBetaBars},
        {"an owner that is no module: no Skins folder, notices ignored",
         reinterpret_cast<HINSTANCE>(1), kAlphaBars},
    };
    for (const auto& owner : owners) {
        SetWindowLongPtrA(host.hwnd, GWLP_HINSTANCE, reinterpret_cast<LONG_PTR>(owner.instance));
        Library library(noticeWatch);
        ASSERT_NE(nullptr, library.module);
        ASSERT_EQ(0, library.Init(host.hwnd));
        Settle(library);
        ASSERT_TRUE(Shows(host.hwnd, kAlphaBars, owner.what));
        Notice("Beta", 5);
        Settle(library);
        Check(host.hwnd, library.module, owner.want, owner.what);
    }
    SetWindowLongPtrA(host.hwnd, GWLP_HINSTANCE,
                      reinterpret_cast<LONG_PTR>(GetModuleHandleA(nullptr)));
    FreeLibrary(dotless);
}
