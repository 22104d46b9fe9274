// Skin reload and stage selection, driven in-process with a locator that
// reports whatever skin the test names.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "draw/analyzer.h"
#include "draw/surfaces.h"
#include "plugin/frame_stages.h"
#include "plugin/module.h"
#include "plugin/plugin_state.h"
#include "plugin/skin_handover.h"
#include "plugin/startup.h"
#include "plugin/window_watch.h"
#include "skin/skin_files.h"
#include "skin/skin_locator.h"
#include "skin/skin_suck.h"
#include "skin/vis_color.h"
#include "skin/zelpin_config.h"
#include "tests/support/scenario_skins.h"

namespace {

class FakeLocator : public SkinLocator {
public:
    explicit FakeLocator(HWND window) : SkinLocator(window) {}
    int GetCurrentSkin(char* pathBuf, char* nameBuf) override
    {
        ++queries;
        strcpy(pathBuf, path.c_str());
        if (nameBuf) strcpy(nameBuf, name.c_str());
        const int length = static_cast<int>(path.size());
        if (after) after();
        return length;
    }
    int RefreshSkins() override { return 1; }

    std::string path;
    std::string name;
    int queries = 0;
    std::function<void()> after;   // what the host window's thread does once a query is answered
};

const COLORREF kMarker = RGB(1, 2, 3);

COLORREF OutputPixel(int x, int y) { return GetPixel(outputSurface->memDC, x, y); }
COLORREF StripPixel(int x, int y) { return GetPixel(stripSurface->memDC, x, y); }

class FrameStages : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 275, 116, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        hostWindow = window;
        config = new ZelpinConfig((root / "plugin.ini").c_str());
        skinSuck = new SkinSuck;
        locator = new FakeLocator(window);
        skinSuck->locator = locator;
        visColor = new VisColor;
        ASSERT_EQ(1, SetUpSurfaces());
        lastSkinName[0] = '\0';
        skinPath[0] = '\0';
        MakeSkin("Alpha", kBackgroundA, kBarA);
    }

    void TearDown() override
    {
        Quit(&visModule);
        DestroyWindow(window);
    }

    std::string MakeSkin(const std::string& name, COLORREF background, COLORREF bar,
                         const std::string& settings = kSolid)
    {
        return ::MakeSkin(root / name, kFrameA, background, bar, kPeak, settings);
    }

    void Report(const std::string& name)
    {
        locator->path = name.empty() ? "" : root / name;
        locator->name = name;
    }

    // The locator names the skin, and the reload runs.
    void Load(const std::string& name)
    {
        Report(name);
        ReloadSkin(&visModule);
    }

    TempFolder root{"stages"};
    HWND window = nullptr;
    FakeLocator* locator = nullptr;
};

UpdateStage Update() { return updateStage.load(); }
PresentStage Present() { return presentStage.load(); }
const UpdateStage kNoUpdate = NoOpStage;
const PresentStage kNoPresent = NoOpStage;

}  // namespace

TEST_F(FrameStages, SelectStagesBeforeAnySkinFindsTheAnalyserDisabled)
{
    updateStage.store(ReloadSkin);
    presentStage.store(PresentNormal);
    SelectStages();
    EXPECT_EQ(kNoUpdate, Update());
    EXPECT_EQ(kNoPresent, Present());
}

TEST_F(FrameStages, ReloadLoadsSettingsColoursAndBackground)
{
    Load("Alpha");

    EXPECT_STREQ("Alpha", lastSkinName);
    EXPECT_EQ(root / "Alpha", std::string(skinPath));
    EXPECT_EQ(kBarA, visColor->colors[2]);
    EXPECT_EQ(UpdateStage(DrawBarsAndPeaks), Update());
    EXPECT_EQ(PresentStage(PresentNormal), Present());
    // The level-0 frame, the bare background, is in the output at once.
    EXPECT_EQ(kBackgroundA, OutputPixel(0, 0));
    EXPECT_EQ(kBackgroundA, OutputPixel(75, 15));
    // Frame 16 (the top block of the strip) is one full bar in entry 2.
    EXPECT_EQ(kBarA, StripPixel(0, 0));
    EXPECT_EQ(kBarA, StripPixel(75, 15));
}

// A reload after Alpha's, with its colour entry 2 overwritten: what it reads
// and what the analyser does next. The same name reloads nothing; a failed
// query or a disabled skin turns the analyser off and reads nothing either;
// a skin without a bitmap keeps the strip and background it had.
TEST_F(FrameStages, ReloadAfterAnotherSkin)
{
    MakeSkin("Beta", kBackgroundB, kBarB);
    MakeSkin("Off", kBackgroundB, kBarB, "[ZELPIN]\r\nEnable=0\r\n");
    DeleteFileA((MakeSkin("Bare", kBackgroundB, kBarB) + "\\main.bmp").c_str());
    const struct {
        const char* name;   // "": the query fails
        COLORREF colour, background, bar;
        UpdateStage update;
        PresentStage present;
        const char* lastName;
    } cases[] = {
        {"Alpha", kMarker, kBackgroundA, kBarA, DrawBarsAndPeaks, PresentNormal, "Alpha"},
        {"Beta", kBarB, kBackgroundB, kBarB, DrawBarsAndPeaks, PresentNormal, "Beta"},
        {"", kMarker, kBackgroundA, kBarA, kNoUpdate, kNoPresent, "Alpha"},
        {"Off", kMarker, kBackgroundA, kBarA, kNoUpdate, kNoPresent, "Off"},
        {"Bare", kBarB, kBackgroundA, kBarA, DrawBarsAndPeaks, PresentNormal, "Bare"},
    };
    for (const auto& c : cases) {
        lastSkinName[0] = '\0';
        Load("Alpha");
        visColor->colors[2] = kMarker;
        locator->queries = 0;
        updateStage.store(ReloadSkin);
        Load(c.name);
        const std::string what = std::string("after Alpha, ") + (*c.name ? c.name : "a failed query");
        EXPECT_EQ(1, locator->queries) << what;
        EXPECT_EQ(c.colour, visColor->colors[2]) << what;
        EXPECT_EQ(c.background, OutputPixel(5, 5)) << what;
        EXPECT_EQ(c.bar, StripPixel(5, 5)) << what;
        EXPECT_EQ(c.update, Update()) << what;
        EXPECT_EQ(c.present, Present()) << what;
        EXPECT_STREQ(c.lastName, lastSkinName) << what;
        EXPECT_EQ(*c.name ? root / c.name : "", std::string(skinPath)) << what;
        EXPECT_EQ(c.update != kNoUpdate, config->enable != 0) << what;
    }
    // After a failed query the same name reloads nothing, so the analyser stays off.
    Load("Alpha");
    Load("");
    Load("Alpha");
    EXPECT_EQ(kNoUpdate, Update());
    EXPECT_EQ(kNoPresent, Present());
}

TEST_F(FrameStages, SettingsFileChoice)
{
    // Both files: "zelpin.txt" wins.
    std::string both = MakeSkin("Both", kBackgroundA, kBarA, "[ZELPIN]\r\nPeaks=0\r\n");
    WriteTextFile(both + "\\zelpin.ini", "[ZELPIN]\r\nPeaks=1\r\nRain=1\r\n");
    Load("Both");
    EXPECT_EQ(UpdateStage(DrawBars), Update());

    // Only "zelpin.ini".
    std::string ini = MakeSkin("IniOnly", kBackgroundA, kBarA, "");
    WriteTextFile(ini + "\\zelpin.ini", "[ZELPIN]\r\nPeaks=1\r\nRain=1\r\n");
    Load("IniOnly");
    EXPECT_EQ(UpdateStage(DrawBarsAndRain), Update());

    // "Peaks" off with "Rain" on draws bars only.
    MakeSkin("NoPeaks", kBackgroundA, kBarA, "[ZELPIN]\r\nPeaks=0\r\nRain=1\r\n");
    Load("NoPeaks");
    EXPECT_EQ(UpdateStage(DrawBars), Update());
}

TEST_F(FrameStages, WindowModeChoosesThePresenter)
{
    Load("Alpha");
    const struct { int width, height; PresentStage present; UpdateStage update; } modes[] = {
        {550, 232, PresentDouble, DrawBarsAndPeaks}, {275, 14, kNoPresent, kNoUpdate},
                 {275, 116, PresentNormal, DrawBarsAndPeaks}};
    for (const auto& m : modes) {
        SetWindowPos(window, nullptr, 0, 0, m.width, m.height, SWP_NOMOVE | SWP_NOZORDER);
        SelectStages();
        EXPECT_EQ(m.present, Present()) << m.width << " x " << m.height;
        EXPECT_EQ(m.update, Update()) << m.width << " x " << m.height;
    }
}

TEST_F(FrameStages, NoticeModeReloadsWithoutAskingEvenForTheSameSkin)
{
    config->dependQuelbix = 1;
    strcpy(skinPath, (root / "Alpha").c_str());
    for (const char* when : {"first", "again"}) {
        visColor->colors[2] = kMarker;
        ReloadSkin(&visModule);
        EXPECT_EQ(0, locator->queries) << when;
        EXPECT_EQ(kBarA, visColor->colors[2]) << when;
    }
    EXPECT_STREQ("", lastSkinName);
}

TEST_F(FrameStages, SkinFolderTooDeepForItsFilesIsUnloadable)
{
    // 247 and 248 characters leave no room for "\viscolor.txt" in 260, 249
    // none for "\zelpin.txt", 259 none for the backslash.
    for (int length : {247, 248, 249, 259}) {
        Load("Alpha");
        ASSERT_EQ(UpdateStage(DrawBarsAndPeaks), Update()) << length;

        locator->path = "C:\\" + std::string(length - 3, 'x');
        locator->name = "Deep" + std::to_string(length);
        ReloadSkin(&visModule);
        EXPECT_EQ(0, config->enable) << length;
        EXPECT_EQ(kNoUpdate, Update()) << length;
        EXPECT_EQ(kBackgroundA, OutputPixel(5, 5)) << length;
    }
    SkinFiles files;
    EXPECT_EQ(0, LocateSkinFiles(("C:\\" + std::string(300, 'x')).c_str(), &files));
}

// A hook may arm a reload while Quit takes the plug-in apart: with any part
// gone, a reload or a stage selection turns the analyser off.
TEST_F(FrameStages, AnyPartGoneTurnsTheAnalyserOff)
{
    Load("Alpha");
    auto without = [](const char* name, auto& part) {
        const auto kept = part;
        part = nullptr;
        for (bool reload : {false, true}) {
            updateStage.store(ReloadSkin);
            presentStage.store(PresentNormal);
            if (reload)
                ReloadSkin(&visModule);
            else
                SelectStages();
            EXPECT_EQ(kNoUpdate, Update()) << "without the " << name << (reload ? ", reload" : "");
            EXPECT_EQ(kNoPresent, Present()) << "without the " << name << (reload ? ", reload" : "");
        }
        part = kept;
        SelectStages();
        EXPECT_EQ(UpdateStage(DrawBarsAndPeaks), Update()) << "the " << name << " back";
    };
    without("settings", config);
    without("locator owner", skinSuck);
    without("locator", skinSuck->locator);
    without("colours", visColor);
    without("output surface", outputSurface);
    without("strip surface", stripSurface);
    without("peak surface", peakSurface);
}

// The hooks read the message and the host window alone (the objects belong
// to the rendering thread): only the host window's own messages count, each
// stored as the stage that handles it at the next Render.
TEST_F(FrameStages, HooksTakeOnlyTheHostWindowsMessages)
{
    char notified[] = "Alpha";
    COPYDATASTRUCT notice = {kSkinNoticeCode, sizeof notified, notified};
    CWPSTRUCT paint = {0, 0, WM_PAINT, window};
    CWPSTRUCT copy = {reinterpret_cast<LPARAM>(&notice), 0, WM_COPYDATA, window};
    CWPSTRUCT size = {0, 0, WM_SIZE, window};
    const UpdateStage reload = ReloadSkin, reselect = ReselectStages, drawer = DrawBars;
    const struct {
        const char* what;
        HOOKPROC hook;
        const CWPSTRUCT* message;
        HWND host;
        bool ownerGone;
        UpdateStage before, after;
    } cases[] = {
        {"a repaint", PaintWatchHook, &paint, window, false, kNoUpdate, reload},
        {"a notice", NoticeWatchHook, &copy, window, false, kNoUpdate, reload},
        {"a notice, no locator owner", NoticeWatchHook, &copy, window, true, kNoUpdate, reload},
        {"a resize", PaintWatchHook, &size, window, false, drawer, reselect},
        {"a resize, notices", NoticeWatchHook, &size, window, false, kNoUpdate, reselect},
        {"a resize, a reload armed", PaintWatchHook, &size, window, false, reload, reload},
        {"a repaint, notices", NoticeWatchHook, &paint, window, false, drawer, drawer},
        {"a repaint, no message record", PaintWatchHook, nullptr, window, false, kNoUpdate, kNoUpdate},
        {"a notice, no message record", NoticeWatchHook, nullptr, window, false, kNoUpdate, kNoUpdate},
        {"a repaint, no host window", PaintWatchHook, &paint, nullptr, false, kNoUpdate, kNoUpdate},
        {"a notice, no host window", NoticeWatchHook, &copy, nullptr, false, kNoUpdate, kNoUpdate},
    };
    SkinSuck* const kept = skinSuck;
    for (const auto& c : cases) {
        strcpy(skinPath, "before");
        updateStage.store(c.before);
        hostWindow = c.host;
        if (c.ownerGone) skinSuck = nullptr;
        c.hook(HC_ACTION, 0, reinterpret_cast<LPARAM>(c.message));
        skinSuck = kept;
        hostWindow = window;
        EXPECT_EQ(c.after, Update()) << c.what;
        // A notice hands its name over; the reload puts the Skins folder before it.
        const bool notices = c.message == &copy && c.after == reload;
        char taken[MAX_PATH] = "";
        EXPECT_EQ(notices, TakeNoticedSkin(taken)) << c.what;
        EXPECT_STREQ(notices ? "Alpha" : "", taken) << c.what;
        EXPECT_STREQ("before", skinPath) << c.what;
    }
}

// A resize reselects at the next Render, which draws nothing else; the reload
// of a notice composes the path there, keeping the last one when the two
// would not fit.
TEST_F(FrameStages, ArmedStagesRunAtTheNextRender)
{
    Load("Alpha");
    SetWindowPos(window, nullptr, 0, 0, 550, 232, SWP_NOMOVE | SWP_NOZORDER);
    ArmReselect();
    EXPECT_EQ(PresentStage(PresentNormal), Present());
    Render(&visModule);
    EXPECT_EQ(PresentStage(PresentDouble), Present());
    EXPECT_EQ(UpdateStage(DrawBarsAndPeaks), Update());
    EXPECT_EQ(1, locator->queries) << "a resize reloaded";

    config->dependQuelbix = 1;
    const std::string folder = "C:\\Player\\Skins\\";
    const std::string longest(MAX_PATH - 1 - folder.size(), 'n');
    const struct {
        std::string folder, name, path;
    } notices[] = {
        {folder, "Beta", folder + "Beta"},
        {folder, "", folder},
        {folder, longest, folder + longest},
        {folder, longest + "n", folder + longest},
        {"", "Beta", folder + longest},   // no Skins folder known
    };
    for (const auto& n : notices) {
        strcpy(locator->skinsFolder, n.folder.c_str());
        PostNoticedSkin(n.name.data(), n.name.size());
        ArmReload();
        Render(&visModule);
        EXPECT_EQ(n.path, std::string(skinPath)) << n.name.size() << " characters after " << n.folder;
    }
}

// The skin changes again right after a reload asked for it, and the hook
// arms the next reload while this one still runs: the stages this one then
// chooses must not cancel that.
TEST_F(FrameStages, ArmingWhileAReloadRunsKeepsTheNextReload)
{
    MakeSkin("Beta", kBackgroundB, kBarB);
    Report("Alpha");
    locator->after = [this] {
        locator->after = nullptr;
        Report("Beta");
        ArmReload();
    };
    ReloadSkin(&visModule);
    EXPECT_EQ(kBarA, visColor->colors[2]);
    EXPECT_EQ(UpdateStage(ReloadSkin), Update()) << "the arming made meanwhile was lost";

    Render(&visModule);
    EXPECT_EQ(kBarB, visColor->colors[2]);
    EXPECT_EQ(kBackgroundB, OutputPixel(5, 5));
    EXPECT_EQ(UpdateStage(DrawBarsAndPeaks), Update());
}

// Notices come on the host window's thread while the reload takes the last
// one's path on the render thread: every path taken is one posted whole,
// never parts of two, and the last one posted is taken last.
TEST(SkinHandover, ThePathTakenIsOnePostedWhole)
{
    const int kPosts = 100000;
    // Post i: its number, then a filler letter up to a length of its own.
    auto posted = [](int i) {
        char number[16];
        snprintf(number, sizeof number, "%06d", i);
        return number + std::string(1 + i % 240, static_cast<char>('a' + i % 26));
    };
    char stale[MAX_PATH];
    TakeNoticedSkin(stale);   // what an earlier test may have left
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < kPosts; ++i) {
            const std::string path = posted(i);
            PostNoticedSkin(path.data(), path.size());
        }
        done = true;
    });
    int taken = 0;
    int last = -1;
    int torn = 0;
    std::string firstTorn;
    char path[MAX_PATH];
    for (bool more = true; more;) {
        more = !done;
        while (TakeNoticedSkin(path)) {
            ++taken;
            last = atoi(path);
            if (posted(last) != path && torn++ == 0) firstTorn = path;
        }
    }
    writer.join();
    EXPECT_EQ(0, torn) << "torn paths, the first \"" << firstTorn << "\"";
    EXPECT_EQ(kPosts - 1, last);
    EXPECT_FALSE(TakeNoticedSkin(path)) << "a path taken twice";
    std::printf("skin handover: %d posts, %d taken\n", kPosts, taken);
}
