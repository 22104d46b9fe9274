// Long runs in the stand-in host: a thousand starts and stops of the loaded
// library, a thousand skin changes in one running plug-in. Afterwards the
// process holds no more drawing objects and no more private memory than
// before.
#include <gtest/gtest.h>

#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "tests/support/process_usage.h"
#include "tests/support/scenario_skins.h"
#include "tests/support/skin_files.h"
#include "tests/support/vis_checks.h"

namespace {

const int kCycles = 1000;

// Room for allocator noise; a leak of a few hundred bytes a cycle still goes
// past it over a thousand cycles.
const SIZE_T kPrivateTolerance = 256 * 1024;

// Frames differ too, so a picture of the window tells the skins apart.
const SkinColours (&kSkins)[3] = kScenarioSkins;

struct Usage {
    long headroom;
    SIZE_T privateBytes;
    DWORD milliseconds;
};

// Counting the headroom leaves the platform's allocator grown for good, so
// the memory figures are read on the inside of the two counts: nothing but
// the soak itself lies between them.
Usage Before()
{
    return {GdiHeadroom(), PrivateBytes(), GetTickCount()};   // read in this order
}

Usage After()
{
    const DWORD milliseconds = GetTickCount();
    const SIZE_T privateBytes = PrivateBytes();
    return {GdiHeadroom(), privateBytes, milliseconds};
}

void ExpectNothingLeaked(const char* what, const Usage& before, const Usage& after)
{
    std::printf("soak: %s (%lu ms): gdi headroom before %ld after %ld; "
                "private bytes before %llu after %llu\n",
                what, static_cast<unsigned long>(after.milliseconds - before.milliseconds),
                before.headroom, after.headroom,
                static_cast<unsigned long long>(before.privateBytes),
                static_cast<unsigned long long>(after.privateBytes));
    std::fflush(stdout);
    EXPECT_LT(before.headroom, static_cast<long>(kHeadroomCap)) << "the platform never refused";
    EXPECT_NE(0u, before.privateBytes) << "no memory figure";
    EXPECT_EQ(before.headroom, after.headroom) << what << ": drawing objects left behind";
    EXPECT_LE(after.privateBytes, before.privateBytes + kPrivateTolerance)
        << what << ": private memory grew from " << before.privateBytes << " to "
        << after.privateBytes;
}

class Soak : public ::testing::Test {
protected:
    Soak()
    {
        options.pluginPath = MakePlayerFolders(root);
        options.skinsFolder = root / "Skins";
        options.skin = kSkins[0].name;
    }

    void Start()
    {
        ASSERT_TRUE(host.Open(options));
        ASSERT_EQ(0, host.LoadPlugin());
    }

    // The reload frame, then one drawing frame: column 0 is a full bar.
    void RenderTwo() { Frames(host, 255, 2); }

    COLORREF BarPixel() const { return host.PixelAt(24, 50); }

    // Starts the plug-in, shows every skin once, then makes kCycles changes
    // through `change`, each checked by its bar colour, and compares usage.
    template <typename Change>
    void SoakSkinChanges(const char* label, Change change)
    {
        Start();
        RenderTwo();
        for (const SkinColours& skin : kSkins) {
            change(skin.name);
            RenderTwo();
        }

        const Usage before = Before();
        for (int i = 0; i < kCycles; ++i) {
            const SkinColours& skin = kSkins[i % 3];
            change(skin.name);
            RenderTwo();
            ASSERT_EQ(skin.bar, BarPixel()) << label << " " << i;
        }
        const Usage after = After();
        ExpectNothingLeaked(label, before, after);
    }

    TempFolder root{"soak"};
    StandInHost::Options options;
    StandInHost host;
};

TEST(Measures, HeadroomIsRepeatableAndSeesEveryLeakedDrawingContext)
{
    const long first = GdiHeadroom();
    const long second = GdiHeadroom();
    std::printf("soak: gdi headroom %ld, again %ld\n", first, second);
    EXPECT_LT(first, static_cast<long>(kHeadroomCap)) << "the platform never refused";
    EXPECT_EQ(first, second);

    std::vector<HDC> leaked;
    for (int i = 0; i < 100; ++i) leaked.push_back(CreateCompatibleDC(nullptr));
    EXPECT_EQ(first - 100, GdiHeadroom());
    for (HDC dc : leaked) DeleteDC(dc);
}

// Each start finds the other skin than the last, so only a start that
// really loaded it shows its bar.
TEST_F(Soak, StartsAndStopsLeaveNothingBehind)
{
    Start();
    winampVisModule* module = host.Module();
    RenderTwo();
    ASSERT_EQ(kSkins[0].bar, BarPixel());
    module->Quit(module);
    host.SwitchSkin(kSkins[1].name);
    host.SwitchSkin(kSkins[0].name);

    const Usage before = Before();
    for (int i = 0; i < kCycles; ++i) {
        const SkinColours& skin = kSkins[(i + 1) % 2];
        host.SwitchSkin(skin.name);
        ASSERT_EQ(0, module->Init(module)) << "start " << i;
        RenderTwo();
        ASSERT_EQ(skin.bar, BarPixel()) << "start " << i;
        module->Quit(module);
    }
    const Usage after = After();
    ExpectNothingLeaked("starts", before, after);
}

TEST_F(Soak, RepaintedSkinChangesLeaveNothingBehind)
{
    SoakSkinChanges("repainted changes", [this](const char* name) { host.SwitchSkin(name); });
}

TEST_F(Soak, NoticedSkinChangesLeaveNothingBehind)
{
    options.version = 0x1FFF;
    WriteTextFile(root / "Plugins\\plugin.ini", "[ZELPIN]\r\nDependQuelbix=1\r\n");
    SoakSkinChanges("noticed changes", [this](const char* name) {
        host.SendSkinNotice(name, static_cast<DWORD>(std::strlen(name) + 1));
    });
}

// Hosts that cannot name their skin: each change is found by comparing a
// picture of the window with every skin's.
TEST_F(Soak, RecognisedSkinChangesLeaveNothingBehind)
{
    options.version = 0x2000;
    SoakSkinChanges("recognised changes", [this](const char* name) { host.SwitchSkin(name); });
}

// A leaked megabyte would fail the soaks. Runs after them, in the state
// their figures were read in; last, because the megabyte it gives back
// could hide as much of a leak.
TEST(MemoryFigure, SeesALeakedMegabyte)
{
    const SIZE_T before = PrivateBytes();
    std::vector<char*> blocks(1024);
    for (char*& block : blocks) {
        block = new char[1024];
        std::memset(block, 0x5A, 1024);
    }
    const SIZE_T after = PrivateBytes();
    std::printf("soak: private bytes before %llu after %llu with 1 MB held\n",
                static_cast<unsigned long long>(before), static_cast<unsigned long long>(after));
    EXPECT_GT(after, before + kPrivateTolerance) << "private memory went from " << before
                                                 << " to " << after;
    for (char* block : blocks) delete[] block;
}

}  // namespace
