// The stand-in host on its own: window, ini, answers, painting, screenshots,
// the frame loop and its capture. The plug-in it drives here is a small fake
// exported by this very program, loaded through LoadLibrary like any other.
#include <gtest/gtest.h>

#include <windows.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/bmp_file.h"
#include "host/stand_in_host.h"

namespace {

// ---------------------------------------------------------------- the fake

struct FakeRecord {
    std::atomic<int> inits{0}, renders{0}, quits{0};
    std::atomic<int> initResult{0};
    DWORD initThread = 0;
    std::atomic<DWORD> renderThread{0};
    HWND parent = nullptr;
    HINSTANCE instance = nullptr;
    std::atomic<int> sRate{0}, nCh{0}, first{0}, last{0};
    std::atomic<int> namesSeen{0};
};
FakeRecord fake;

// The vis area's fill for a spectrum byte: tells the captured frames apart.
COLORREF FillFor(int value)
{
    return RGB(value * 40, 90, 255 - value * 40);
}

int __cdecl FakeInit(winampVisModule* module)
{
    ++fake.inits;
    fake.initThread = GetCurrentThreadId();
    fake.parent = module->hwndParent;
    fake.instance = module->hDllInstance;
    return fake.initResult;
}

// Asks for the skin like the plug-in does, then fills the vis area.
int __cdecl FakeRender(winampVisModule* module)
{
    fake.renderThread = GetCurrentThreadId();
    fake.sRate = module->sRate;
    fake.nCh = module->nCh;
    fake.first = module->spectrumData[0][0];
    fake.last = module->spectrumData[1][575];
    char path[MAX_PATH] = "";
    if (SendMessageA(module->hwndParent, WM_USER, reinterpret_cast<WPARAM>(path), IPC_GETSKIN))
        ++fake.namesSeen;
    RECT r;
    GetWindowRect(module->hwndParent, &r);
    if (r.bottom - r.top >= 116) {
        RECT area = {24, 43, 100, 59};
        if (r.right - r.left > 275) SetRect(&area, 48, 86, 200, 118);
        HDC dc = GetDC(module->hwndParent);
        HBRUSH brush = CreateSolidBrush(FillFor(module->spectrumData[0][0]));
        FillRect(dc, &area, brush);
        DeleteObject(brush);
        ReleaseDC(module->hwndParent, dc);
    }
    ++fake.renders;
    return 0;
}

void __cdecl FakeQuit(winampVisModule*)
{
    ++fake.quits;
}

char fakeDescription[] = "fake";
winampVisModule fakeModule;

winampVisModule* __cdecl FakeGetModule(int index)
{
    return index == 0 ? &fakeModule : nullptr;
}

winampVisHeader fakeHeader = {0x101, fakeDescription, FakeGetModule};

}  // namespace

extern "C" __declspec(dllexport) winampVisHeader* __cdecl winampVisGetHeader()
{
    return &fakeHeader;
}

namespace {

void ResetFake(int initResult = 0)
{
    fake.inits = fake.renders = fake.quits = fake.namesSeen = 0;
    fake.initResult = initResult;
    fake.initThread = 0;
    fake.renderThread = 0;
    fake.parent = nullptr;
    fake.instance = nullptr;
    std::memset(&fakeModule, 0, sizeof fakeModule);
    fakeModule.description = fakeDescription;
    fakeModule.Init = FakeInit;
    fakeModule.Render = FakeRender;
    fakeModule.Quit = FakeQuit;
}

// ---------------------------------------------------------------- fixtures

std::string ThisExecutable()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string TestFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "zelpin_host_test";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return bytes;
}

void Put32(std::vector<unsigned char>& b, size_t at, unsigned v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

unsigned Get32(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<unsigned>(b[at + 3]) << 24;
}

// A 275 x 116 24-bit bottom-up main bitmap of one colour, with one marked
// pixel at 5,5 (counted from the top).
std::vector<unsigned char> MainBitmap(COLORREF fill, COLORREF mark)
{
    const unsigned stride = 828;
    std::vector<unsigned char> b(54 + stride * 116, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<unsigned>(b.size()));
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, 275);
    Put32(b, 22, 116);
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < 116; ++y)
        for (int x = 0; x < 275; ++x) {
            COLORREF c = x == 5 && y == 5 ? mark : fill;
            unsigned char* p = &b[54 + (115 - y) * stride + x * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    return b;
}

const COLORREF kAlpha = RGB(10, 200, 30);
const COLORREF kBeta = RGB(200, 40, 120);
const COLORREF kMark = RGB(250, 1, 2);
const COLORREF kGrey = RGB(128, 128, 128);

// Skins: Alpha (its bitmap named in capitals), Beta, and Broken, whose
// bitmap is cut short.
std::string MakeSkins(const std::string& name)
{
    std::string skins = TestFolder() + "\\" + name;
    CreateDirectoryA(skins.c_str(), nullptr);
    CreateDirectoryA((skins + "\\Alpha").c_str(), nullptr);
    CreateDirectoryA((skins + "\\Beta").c_str(), nullptr);
    CreateDirectoryA((skins + "\\Broken").c_str(), nullptr);
    WriteBytes(skins + "\\Alpha\\MAIN.BMP", MainBitmap(kAlpha, kMark));
    WriteBytes(skins + "\\Beta\\main.bmp", MainBitmap(kBeta, kMark));
    std::vector<unsigned char> cut = MainBitmap(kBeta, kMark);
    cut.resize(1000);
    WriteBytes(skins + "\\Broken\\main.bmp", cut);
    return skins;
}

StandInHost::Options OptionsFor(const std::string& skins, const std::string& skin = "Alpha")
{
    StandInHost::Options options;
    options.version = 0x1234;
    options.skinsFolder = skins;
    options.skin = skin;
    options.pluginPath = ThisExecutable();
    return options;
}

SIZE WindowSize(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    SIZE s = {r.right - r.left, r.bottom - r.top};
    return s;
}

// The loop renders by the clock, and an emulated CPU may be many times
// slower than a real one: wait for a number of frames, not for a time. The
// long limit only keeps a broken loop from hanging the test.
bool WaitForFrames(const StandInHost& host, long frames)
{
    for (int i = 0; i < 12000 && host.FramesRendered() < frames; ++i) Sleep(5);
    return host.FramesRendered() >= frames;
}

std::string IniSkinDir(const std::string& ini)
{
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA("Winamp", "SkinDir", "", value, MAX_PATH, ini.c_str());
    return value;
}

// ---------------------------------------------------------------- tests

TEST(Host, IniNamesTheSkinsFolderAfreshForEveryHost)
{
    std::string first = MakeSkins("ini1");
    std::string second = MakeSkins("ini2");
    std::string exe = ThisExecutable();
    std::string expectedIni = exe.substr(0, exe.rfind('.')) + ".ini";
    {
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor(first)));
        EXPECT_EQ(expectedIni, host.IniPath());
        EXPECT_EQ(first, IniSkinDir(expectedIni));
    }
    {
        // A second host in the same process: the cached ini must not win.
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor(second)));
        EXPECT_EQ(second, IniSkinDir(expectedIni));
    }
}

TEST(Host, PaintsTheSkinAndAnswersTheMessages)
{
    std::string skins = MakeSkins("paint");
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor(skins)));
    HWND w = host.Window();
    EXPECT_EQ(kMark, host.PixelAt(5, 5)) << "MAIN.BMP found whatever the case";
    EXPECT_EQ(kAlpha, host.PixelAt(200, 100));

    EXPECT_EQ(0x1234, SendMessageA(w, WM_USER, 0, IPC_GETVERSION));
    char path[MAX_PATH] = "x";
    LRESULT name = SendMessageA(w, WM_USER, reinterpret_cast<WPARAM>(path), IPC_GETSKIN);
    EXPECT_EQ(skins + "\\Alpha", std::string(path));
    ASSERT_NE(0, name);
    const char* alphaName = reinterpret_cast<const char*>(name);
    EXPECT_STREQ("Alpha", alphaName);

    long paints = host.MessagesSeen(WM_PAINT);
    host.SwitchSkin("Beta");
    EXPECT_EQ(paints + 1, host.MessagesSeen(WM_PAINT)) << "a switch repaints at once";
    EXPECT_EQ(kBeta, host.PixelAt(200, 100));
    name = SendMessageA(w, WM_USER, reinterpret_cast<WPARAM>(path), IPC_GETSKIN);
    EXPECT_EQ(skins + "\\Beta", std::string(path));
    EXPECT_STREQ("Beta", reinterpret_cast<const char*>(name));
    EXPECT_STREQ("Alpha", alphaName) << "an earlier answer stays readable";

    host.SwitchSkin("Broken");
    EXPECT_EQ(kGrey, host.PixelAt(200, 100)) << "a truncated bitmap paints grey";
    host.SwitchSkin("Missing");
    EXPECT_EQ(kGrey, host.PixelAt(200, 100));

    EXPECT_EQ(0, SendMessageA(w, WM_USER, 0, 9999)) << "unknown requests answer 0";
    EXPECT_EQ(0, host.MessagesSeen(0x466, 7));
    SendMessageA(w, 0x466, 7, reinterpret_cast<LPARAM>(w));
    SendMessageA(w, 0x466, 8, 0);
    EXPECT_EQ(1, host.MessagesSeen(0x466, 7));
    EXPECT_EQ(1, host.MessagesSeen(0x466, 8));
}

TEST(Host, NullSkinAnswerStillWritesThePath)
{
    std::string skins = MakeSkins("null");
    StandInHost::Options options = OptionsFor(skins, "Beta");
    options.getSkinAnswersNull = true;
    StandInHost host;
    ASSERT_TRUE(host.Open(options));
    char path[MAX_PATH] = "";
    EXPECT_EQ(0, SendMessageA(host.Window(), WM_USER, reinterpret_cast<WPARAM>(path), IPC_GETSKIN));
    EXPECT_EQ(skins + "\\Beta", std::string(path));
}

TEST(Host, WindowModesResizeRepaintAndPickTheVisArea)
{
    std::string skins = MakeSkins("modes");
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor(skins)));
    HWND w = host.Window();
    EXPECT_EQ(275, WindowSize(w).cx);
    EXPECT_EQ(116, WindowSize(w).cy);
    EXPECT_EQ(size_t(76 * 16), host.CaptureVisArea().size());

    long sizes = host.MessagesSeen(WM_SIZE);
    host.SetDoubleSize(true);
    EXPECT_EQ(550, WindowSize(w).cx);
    EXPECT_EQ(232, WindowSize(w).cy);
    EXPECT_EQ(sizes + 1, host.MessagesSeen(WM_SIZE)) << "WM_SIZE sent by the resize";
    EXPECT_EQ(kMark, host.PixelAt(11, 11)) << "the bitmap stretched by two";
    EXPECT_EQ(kAlpha, host.PixelAt(9, 9));
    std::vector<COLORREF> area = host.CaptureVisArea();
    ASSERT_EQ(size_t(152 * 32), area.size());
    EXPECT_EQ(kAlpha, area[0]);

    host.SetShaded(true);
    EXPECT_EQ(550, WindowSize(w).cx);
    EXPECT_EQ(28, WindowSize(w).cy);
    EXPECT_EQ(size_t(0), host.CaptureVisArea().size()) << "no vis area while shaded";
    host.SetDoubleSize(false);
    EXPECT_EQ(275, WindowSize(w).cx);
    EXPECT_EQ(14, WindowSize(w).cy);
    EXPECT_EQ(kMark, host.PixelAt(5, 5)) << "the shaded strip is the bitmap's top";
    host.SetShaded(false);
    EXPECT_EQ(116, WindowSize(w).cy);
    EXPECT_EQ(sizes + 4, host.MessagesSeen(WM_SIZE));

    long paints = host.MessagesSeen(WM_PAINT);
    host.Repaint();
    EXPECT_EQ(paints + 1, host.MessagesSeen(WM_PAINT));
}

TEST(Host, ScreenshotIsA24BitBmpOfTheWindow)
{
    std::string skins = MakeSkins("shot");
    std::string file = TestFolder() + "\\shot.bmp";
    DeleteFileA(file.c_str());
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor(skins)));
    ASSERT_TRUE(host.SaveScreenshot(file));
    std::vector<unsigned char> b = ReadBytes(file);
    ASSERT_EQ(size_t(96102), b.size());
    EXPECT_EQ('B', b[0]);
    EXPECT_EQ('M', b[1]);
    EXPECT_EQ(275u, Get32(b, 18));
    EXPECT_EQ(116u, Get32(b, 22));
    EXPECT_EQ(24, b[28]);
    const size_t mark = 54 + (115 - 5) * 828 + 5 * 3;   // bottom-up rows
    EXPECT_EQ(2, b[mark]);
    EXPECT_EQ(1, b[mark + 1]);
    EXPECT_EQ(250, b[mark + 2]);
    EXPECT_TRUE(BmpFileIsSound(file));
}

TEST(Host, BmpCheckRefusesFilesCutShortOrMalformed)
{
    std::string folder = TestFolder();
    std::vector<unsigned char> whole = MainBitmap(kAlpha, kMark);
    struct Case { size_t size; bool sound; } cases[] = {
        {whole.size(), true}, {whole.size() - 1, false}, {40, false}, {47904, false}};
    for (const Case& c : cases) {
        std::vector<unsigned char> b(whole.begin(), whole.begin() + c.size);
        WriteBytes(folder + "\\cut.bmp", b);
        EXPECT_EQ(c.sound, BmpFileIsSound(folder + "\\cut.bmp")) << "size " << c.size;
    }
    std::vector<unsigned char> bad = whole;
    bad[28] = 7;   // no such bit depth
    WriteBytes(folder + "\\bad.bmp", bad);
    EXPECT_FALSE(BmpFileIsSound(folder + "\\bad.bmp"));
    EXPECT_FALSE(BmpFileIsSound(folder + "\\none.bmp"));
}

TEST(Host, SkinNoticeArrivesWithItsBytes)
{
    std::string skins = MakeSkins("notice");
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor(skins)));
    const char name[] = "Beta";
    EXPECT_EQ(TRUE, host.SendSkinNotice(name, 5));
    ULONG_PTR code = 0;
    std::vector<unsigned char> got = host.LastCopyData(&code);
    EXPECT_EQ(ULONG_PTR(10650), code);
    EXPECT_EQ(std::vector<unsigned char>({'B', 'e', 't', 'a', 0}), got);
    EXPECT_EQ(1, host.MessagesSeen(WM_COPYDATA));

    host.SendSkinNotice(name, 2, 77);
    got = host.LastCopyData(&code);
    EXPECT_EQ(ULONG_PTR(77), code);
    EXPECT_EQ(std::vector<unsigned char>({'B', 'e'}), got);
}

TEST(Host, LoadsThePluginAndCallsItAsAPlayerDoes)
{
    std::string skins = MakeSkins("plugin");
    ResetFake();
    {
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor(skins)));
        ASSERT_EQ(0, host.LoadPlugin());
        EXPECT_EQ(1, fake.inits.load());
        EXPECT_EQ(GetCurrentThreadId(), fake.initThread) << "Init on the calling thread";
        EXPECT_EQ(host.Window(), fake.parent);
        EXPECT_EQ(GetModuleHandleA(nullptr), fake.instance);
        EXPECT_EQ(&fakeModule, host.Module());
        EXPECT_EQ(-1, host.LoadPlugin()) << "one plug-in at a time";

        unsigned char spectrum[2][576] = {};
        spectrum[0][0] = 3;
        spectrum[1][575] = 200;
        EXPECT_EQ(0, host.RenderFrame(&spectrum[0][0], 22050, 1));
        EXPECT_EQ(22050, fake.sRate.load());
        EXPECT_EQ(1, fake.nCh.load());
        EXPECT_EQ(3, fake.first.load());
        EXPECT_EQ(200, fake.last.load());
        EXPECT_EQ(1, fake.namesSeen.load()) << "the skin answer reached the plug-in";
        EXPECT_EQ(FillFor(3), host.PixelAt(24, 43));

        host.UnloadPlugin();
        EXPECT_EQ(1, fake.quits.load());
        EXPECT_EQ(nullptr, host.Module());
        EXPECT_EQ(-1, host.RenderFrame(&spectrum[0][0]));
    }
    EXPECT_EQ(1, fake.quits.load()) << "no second Quit after an unload";

    ResetFake(1);
    {
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor(skins)));
        EXPECT_EQ(1, host.LoadPlugin());
    }
    EXPECT_EQ(0, fake.quits.load()) << "no Quit after a failed Init";

    StandInHost::Options missing = OptionsFor(skins);
    missing.pluginPath = TestFolder() + "\\no_such_plugin.dll";
    StandInHost host;
    ASSERT_TRUE(host.Open(missing));
    EXPECT_EQ(-1, host.LoadPlugin());
}

TEST(Host, FrameLoopReplaysTheFramesAndCapturesEachRender)
{
    std::string skins = MakeSkins("loop");
    std::string frames = TestFolder() + "\\three.frames";
    std::string capture = TestFolder() + "\\loop.cap";
    std::vector<unsigned char> bytes(3 * 1152 + 100, 0);   // a partial frame at the end
    for (int f = 0; f < 3; ++f) bytes[f * 1152] = static_cast<unsigned char>(f + 1);
    WriteBytes(frames, bytes);
    ResetFake();

    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor(skins)));
    ASSERT_EQ(0, host.LoadPlugin());
    EXPECT_FALSE(host.StartFrameLoop(TestFolder() + "\\none.frames"));
    ASSERT_TRUE(host.StartFrameLoop(frames, 60, capture));
    EXPECT_FALSE(host.StartFrameLoop(frames)) << "one loop at a time";
    ASSERT_TRUE(WaitForFrames(host, 10));
    host.StopFrameLoop();
    long rendered = host.FramesRendered();
    EXPECT_EQ(rendered, fake.renders.load());
    EXPECT_NE(GetCurrentThreadId(), fake.renderThread.load());
    EXPECT_EQ(44100, fake.sRate.load());
    EXPECT_EQ(2, fake.nCh.load());

    // Each captured frame is the fill the fake drew for that time slot's
    // frame: the file loops over its three frames by the clock.
    std::vector<unsigned char> cap = ReadBytes(capture);
    ASSERT_GE(cap.size(), size_t(8));
    EXPECT_EQ(0, std::memcmp(cap.data(), "ZCAP", 4));
    EXPECT_EQ(60u, Get32(cap, 4));
    size_t pos = 8;
    long captured = 0;
    while (pos + 8 <= cap.size()) {
        unsigned slot = Get32(cap, pos);
        int w = cap[pos + 4] | cap[pos + 5] << 8;
        int h = cap[pos + 6] | cap[pos + 7] << 8;
        ASSERT_EQ(76, w);
        ASSERT_EQ(16, h);
        pos += 8;
        ASSERT_LE(pos + 76 * 16 * 3, cap.size());
        COLORREF want = FillFor(static_cast<int>(slot % 3) + 1);
        for (int i = 0; i < 76 * 16; ++i, pos += 3)
            ASSERT_EQ(want, RGB(cap[pos + 2], cap[pos + 1], cap[pos])) << "slot " << slot;
        ++captured;
    }
    EXPECT_EQ(rendered, captured);
}

TEST(Host, WindowActionsDoNotBlockAgainstTheRenderThread)
{
    std::string skins = MakeSkins("busy");
    ResetFake();
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor(skins)));
    ASSERT_EQ(0, host.LoadPlugin());
    ASSERT_TRUE(host.StartFrameLoop(""));   // the synthetic sweep
    for (int i = 0; i < 20; ++i) {
        host.SwitchSkin(i % 2 ? "Alpha" : "Beta");
        host.SetDoubleSize(i % 3 == 0);
        host.SetShaded(i % 5 == 0);
        host.Repaint();
        const char name[] = "Alpha";
        host.SendSkinNotice(name, sizeof name);
        Sleep(10);
    }
    EXPECT_TRUE(WaitForFrames(host, 5));
    host.StopFrameLoop();
    EXPECT_EQ(fake.renders.load(), fake.namesSeen.load());
    EXPECT_EQ(44100, fake.sRate.load());
}

}  // namespace
