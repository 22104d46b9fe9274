#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/bmp_sample.h"
#include "image/dib_surface.h"
#include "skin/skin_signature.h"
#include "tests/support/bitmap_kinds.h"
#include "tests/support/draw_fixtures.h"
#include "tests/support/locator_fixtures.h"

namespace {

std::string Answer(const std::string& path, const std::string& name)
{
    return std::to_string(path.size()) + "|" + path + "|" + name;
}

const char kNoAnswer[] = "0||(unset)";

std::vector<std::string> Names(const SignatureSkinLocator& loc)
{
    std::vector<std::string> names;
    for (unsigned i = 0; i < loc.entryCount; ++i)
        names.push_back(loc.entries[i]->name);
    return names;
}

void UseSkinsFolder(const std::string& folder)
{
    WriteHostIni("[Winamp]\r\nSkinDir=" + folder + "\r\n");
}

}  // namespace

TEST(SkinSignature, ColourKeys)
{
    EXPECT_EQ(0x135, ColorKey(RGB(0x12, 0x34, 0x56)));
    EXPECT_EQ(0xFFF, ColorKey(RGB(0xFF, 0xFF, 0xFF)));
    EXPECT_EQ(0x000, ColorKey(RGB(0, 0, 0)));
    EXPECT_EQ(0x0F1, ColorKey(RGB(0x0F, 0xF0, 0x1F)));
    EXPECT_EQ(0xFFF, ColorKey(CLR_INVALID));
}

TEST(SkinSignature, CountEqualAndCopyName)
{
    SkinSignature a;
    SkinSignature b;
    for (int i = 0; i < 32; ++i)
        a.keys[i] = b.keys[i] = static_cast<unsigned short>(i);
    EXPECT_EQ(32, a.CountEqual(b));
    b.keys[0] = 0x100;
    b.keys[17] = 0x100;
    b.keys[31] = 0x100;
    EXPECT_EQ(29, a.CountEqual(b));

    NamedSkinSignature named;
    char dst[8] = "xxxxxxx";
    EXPECT_EQ(0u, named.CopyName(dst, sizeof dst));
    named.name = static_cast<char*>(GlobalAlloc(GMEM_FIXED, 5));
    memcpy(named.name, "Blue", 5);
    EXPECT_EQ(0u, named.CopyName(dst, 4));
    EXPECT_STREQ("xxxxxxx", dst);
    EXPECT_EQ(4u, named.CopyName(dst, 5));
    EXPECT_STREQ("Blue", dst);
}

TEST(SkinSignature, LoadFromSkinFolder)
{
    const TempFolder temp("load");
    const std::string& root = temp.Path();
    MakeFolder(root + "\\Small");
    WriteSolidBmp(root + "\\Small\\main.bmp", 100, 50, RGB(0x12, 0x34, 0x56));
    MakeFolder(root + "\\NoBitmap");
    WriteTextFile(root + "\\plain", "not a folder");

    NamedSkinSignature sig;
    EXPECT_EQ(0, sig.LoadFromSkin(root.c_str(), "plain"));
    EXPECT_EQ(0, sig.LoadFromSkin(root.c_str(), "NoBitmap"));
    EXPECT_EQ(0, sig.LoadFromSkin(root.c_str(), "Missing"));
    EXPECT_EQ(nullptr, sig.name);

    // Points beyond a small bitmap read as white.
    ASSERT_EQ(1, sig.LoadFromSkin(root.c_str(), "Small"));
    EXPECT_STREQ("Small", sig.name);
    const unsigned short expected[32] = {
        0x135, 0x135, 0x135, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0x135, 0xFFF, 0xFFF, 0xFFF,
        0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF,
        0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF, 0xFFF};
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(expected[i], sig.keys[i]) << "point " << i;

    // The name of a second load replaces the first.
    ASSERT_EQ(1, sig.LoadFromSkin(root.c_str(), "SMALL"));
    EXPECT_STREQ("SMALL", sig.name);

    // A path that would not fit is refused, not cut: the entry's, the
    // folder's (259 characters leave no room for the backslash, 300 none at
    // all), and that of the bitmap in a folder that exists (its "." parts
    // make the path long, not the folder deep).
    std::string dotted = root;
    while (dotted.size() + strlen("\\Small") < 252)
        dotted += "\\.";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((dotted + "\\Small").c_str()));
    const struct {
        std::string folder;
        std::string entry;
    } tooLong[] = {
        {root, std::string(250, 'n')},
        {"C:\\" + std::string(256, 'f'), "Small"},
        {"C:\\" + std::string(297, 'f'), "Small"},
        {dotted, "Small"},
    };
    for (const auto& t : tooLong) {
        EXPECT_EQ(0, sig.LoadFromSkin(t.folder.c_str(), t.entry.c_str()))
            << t.folder.size() << " + " << t.entry.size() << " characters";
        EXPECT_STREQ("SMALL", sig.name);
    }
}

// Every kind of main bitmap that skins, the tests and the generated skins
// hold: the pixels read straight from a file are the ones GetPixel reads from
// the loaded image, and the catalogue's keys are the loaded image's keys.
TEST(SkinSignature, FileSamplesEqualTheLoadedImage)
{
    // The sample points, then corners, bit and nibble edges, and points just outside.
    std::vector<POINT> points;
    for (const SamplePoint& p : samplePoints)
        points.push_back({p.x, p.y});
    for (POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{7, 1}, POINT{8, 2}, POINT{9, 3}, POINT{79, 51},
                    POINT{99, 58}, POINT{274, 115}, POINT{274, 152}, POINT{-1, 0}, POINT{0, -1},
                    POINT{275, 0}, POINT{0, 116}, POINT{0, 153}})
        points.push_back(p);

    const TempFolder temp("kinds");
    const std::string& root = temp.Path();
    for (const BitmapKind& kind : kBitmapKinds) {
        const std::string name = kind.what;
        MakeFolder(root + "\\" + name);
        const std::string path = root + "\\" + name + "\\main.bmp";
        WriteBytes(path, KindFile(kind));

        DibSurface image;
        const bool loads = image.Load(path.c_str(), 0, 0) == 1;
        ASSERT_EQ(kind.loads, loads) << name << ": whether the loader takes it";
        std::vector<COLORREF> sampled(points.size(), 0x12345678);
        ASSERT_EQ(kind.direct ? 1 : 0, SampleBitmapFile(path.c_str(), points.data(),
                                                        static_cast<int>(points.size()),
                                                        sampled.data()))
            << name << ": whether the file is read without the loader";
        for (size_t i = 0; kind.direct && i < points.size(); ++i)
            EXPECT_EQ(GetPixel(image.memDC, points[i].x, points[i].y), sampled[i])
                << name << " at " << points[i].x << ", " << points[i].y;

        NamedSkinSignature signature;
        ASSERT_EQ(loads ? 1 : 0, signature.LoadFromSkin(root.c_str(), name.c_str())) << name;
        for (int i = 0; loads && i < 32; ++i)
            EXPECT_EQ(ColorKey(GetPixel(image.memDC, samplePoints[i].x, samplePoints[i].y)),
                      signature.keys[i])
                << name << ", point " << i;
    }
}

// A Skins folder with skins, a tie, a near miss, and entries that are not skins.
class SkinCatalogue : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = new TempFolder("catalogue");
        skins = new std::string(*root / "Skins");
        MakeFolder(*skins);
        // "One" is "One Plain" with a magenta bottom-right point.
        const struct {
            const char* folder;
            const char* file;
            COLORREF colour;
            bool magentaPoint;
        } skinList[] = {
            {".Dotted", "main.bmp", RGB(0x10, 0x10, 0x10), false},
            {"Amber", "main.bmp", RGB(0xC0, 0x80, 0x20), false},
            {"Blue", "main.bmp", RGB(0x20, 0x40, 0xE0), false},
            {"Blue Twin", "main.bmp", RGB(0x20, 0x40, 0xE0), false},
            {"Coal", "main.bmp", RGB(0, 0, 0), false},
            {"Echo", "MAIN.BMP", RGB(0x60, 0xA0, 0x60), false},
            {"One Plain", "main.bmp", RGB(0x90, 0x90, 0x30), false},
            {"One", "main.bmp", RGB(0x90, 0x90, 0x30), true},
        };
        for (const auto& s : skinList) {
            MakeFolder(*skins + "\\" + s.folder);
            WriteBmp24(*skins + "\\" + s.folder + "\\" + s.file, 275, 116, [&s](int x, int y) {
                return s.magentaPoint && x == 270 && y == 111 ? RGB(0xF0, 0x00, 0xF0) : s.colour;
            });
        }
        MakeFolder(*skins + "\\Empty");
        WriteTextFile(*skins + "\\notes.txt", "not a skin");
        // A bitmap cut short inside its pixels.
        MakeFolder(*skins + "\\Broken");
        Bytes broken = Bmp24(275, 116, [](int, int) { return RGB(0x10, 0x10, 0x10); });
        broken.resize(1000);
        WriteBytes(*skins + "\\Broken\\main.bmp", broken);

        WriteSolidBmp(*root / "nomatch.bmp", 275, 116, RGB(0x30, 0xD0, 0xB0));
        WriteSolidBmp(*root / "magenta.bmp", 275, 116, RGB(0xF0, 0x00, 0xF0));
    }
    static void TearDownTestSuite()
    {
        DeleteFileA(HostIniPath().c_str());
        delete skins;
        delete root;
    }
    void SetUp() override { UseSkinsFolder(*skins); }

    std::string Skin(const std::string& name) { return *skins + "\\" + name; }
    std::string Named(const std::string& name) { return Answer(Skin(name), name); }
    void Show(FakeHost& host, const std::string& name) { host.Show(Skin(name) + (name == "Echo" ? "\\MAIN.BMP" : "\\main.bmp")); }

    static TempFolder* root;
    static std::string* skins;
};
TempFolder* SkinCatalogue::root;
std::string* SkinCatalogue::skins;

TEST_F(SkinCatalogue, FoldersWithAMainBitmapInListingOrder)
{
    FakeHost host(275, 116);
    SignatureSkinLocator loc(host.hwnd);
    EXPECT_EQ(*skins + "\\", loc.skinsFolder);
    EXPECT_EQ(0u, loc.entryCount);

    const std::vector<std::string> expected = {".Dotted", "Amber", "Blue",
                                               "Blue Twin", "Coal", "Echo", "One",
                                               "One Plain"};
    EXPECT_EQ(1, loc.RefreshSkins());
    EXPECT_EQ(expected, Names(loc));
    // Sampled from the top: point 31 is the bottom-right one.
    ASSERT_EQ(8u, loc.entryCount);
    EXPECT_EQ(0x993, loc.entries[6]->keys[0]);
    EXPECT_EQ(0x993, loc.entries[6]->keys[30]);
    EXPECT_EQ(0xF0F, loc.entries[6]->keys[31]);

    EXPECT_EQ(1, loc.RefreshSkins());
    EXPECT_EQ(expected, Names(loc));
}

TEST_F(SkinCatalogue, NamesTheSkinTheWindowShows)
{
    FakeHost host(275, 116);
    SignatureSkinLocator loc(host.hwnd);
    loc.RefreshSkins();
    for (const char* name : {"Amber", "Echo", ".Dotted", "One", "One Plain", "Coal"}) {
        Show(host, name);
        EXPECT_EQ(Named(name), Ask(loc));
    }

    // A tie goes to the first in the listing.
    Show(host, "Blue Twin");
    EXPECT_EQ(Named("Blue"), Ask(loc));

    // One equal key is enough.
    host.Show(*root / "magenta.bmp");
    EXPECT_EQ(Named("One"), Ask(loc));

    // No equal key: nothing, and the name is left alone.
    host.Show(*root / "nomatch.bmp");
    EXPECT_EQ(kNoAnswer, Ask(loc));

    // Without a name buffer only the path is filled.
    Show(host, "Amber");
    char path[MAX_PATH] = "";
    EXPECT_EQ(static_cast<int>(Skin("Amber").size()), loc.GetCurrentSkin(path, nullptr));
    EXPECT_EQ(Skin("Amber"), path);
}

// The window's picture, taken at each question, is halved from the double
// size; a shaded window answers from the last whole picture, and before the
// first one nothing matches, not even the black skin, whose keys are all 0.
TEST_F(SkinCatalogue, AnswersFollowTheWindowsPicture)
{
    struct Step {
        int width, height;
        const char* shown;   // null: the picture stays
        const char* named;   // null: no answer
    };
    const std::vector<std::vector<Step>> scripts = {
        {{550, 232, "Echo", "Echo"}, {550, 232, "One", "One"}, {550, 232, "One Plain", "One Plain"}},
        {{275, 116, "Amber", "Amber"}, {275, 14, "Echo", "Amber"}, {550, 28, nullptr, "Amber"},
         {275, 116, nullptr, "Echo"}},
        {{275, 14, "Amber", nullptr}},
    };
    for (const auto& script : scripts) {
        FakeHost host(script[0].width, script[0].height);
        SignatureSkinLocator loc(host.hwnd);
        loc.RefreshSkins();
        for (const Step& step : script) {
            host.Resize(step.width, step.height);
            if (step.shown)
                Show(host, step.shown);
            EXPECT_EQ(step.named ? Named(step.named) : kNoAnswer, Ask(loc))
                << step.width << " x " << step.height << ", " << (step.shown ? step.shown : "as before");
        }
    }
}

// A skin identified but without room for its path, or with no Skins folder
// known: no skin is known, so no path either, and the name is left alone.
TEST_F(SkinCatalogue, NoPathWithoutRoomForIt)
{
    FakeHost host(275, 116);
    SignatureSkinLocator loc(host.hwnd);
    loc.RefreshSkins();
    Show(host, "One Plain");
    ASSERT_EQ(Named("One Plain"), Ask(loc));

    // 254 characters leave room for "Amber" in 260, not for "One Plain".
    const std::string deep = "C:\\" + std::string(250, 'd') + "\\";
    strcpy(loc.skinsFolder, deep.c_str());
    EXPECT_EQ(kNoAnswer, Ask(loc));
    Show(host, "Amber");
    EXPECT_EQ(Answer(deep + "Amber", "Amber"), Ask(loc));

    loc.skinsFolder[0] = '\0';
    EXPECT_EQ(kNoAnswer, Ask(loc));

    // Nothing is listed for no folder, nor for one without room for "\*.*".
    for (const std::string& folder : {std::string(), "C:\\" + std::string(252, 'd') + "\\"}) {
        strcpy(loc.skinsFolder, folder.c_str());
        EXPECT_EQ(1, loc.RefreshSkins()) << folder.size() << " characters";
        EXPECT_EQ(0u, loc.entryCount) << folder.size() << " characters";
    }
}

TEST(SignatureSkinLocator, EmptyOrMissingSkinsFolder)
{
    const TempFolder temp("empty");
    const std::string& root = temp.Path();
    MakeFolder(root + "\\Skins");
    WriteSolidBmp(root + "\\nomatch.bmp", 275, 116, RGB(0x30, 0xD0, 0xB0));
    FakeHost host(275, 116);
    host.Show(root + "\\nomatch.bmp");

    // The window is photographed all the same.
    for (const char* folder : {"\\Skins", "\\NoSuchFolder"}) {
        UseSkinsFolder(root + folder);
        SignatureSkinLocator loc(host.hwnd);
        EXPECT_EQ(1, loc.RefreshSkins()) << folder;
        EXPECT_EQ(0u, loc.entryCount) << folder;
        EXPECT_EQ(kNoAnswer, Ask(loc)) << folder;
        EXPECT_EQ(0x3DB, loc.keys[0]) << folder;
        EXPECT_EQ(0x3DB, loc.keys[31]) << folder;
    }
    DeleteFileA(HostIniPath().c_str());
}

TEST(SignatureSkinLocator, CataloguesAtMost256Skins)
{
    // 300 folders; every tenth has no bitmap and is not counted.
    const TempFolder temp("many");
    const std::string& root = temp.Path();
    for (int i = 0; i < 300; ++i) {
        char name[16];
        snprintf(name, sizeof name, "s%03d", i);
        const std::string folder = root + "\\" + name;
        MakeFolder(folder);
        if (i % 10 != 0)
            WriteSolidBmp(folder + "\\main.bmp", 1, 1, RGB(i, 0, 0));
    }
    UseSkinsFolder(root);
    FakeHost host(275, 116);
    SignatureSkinLocator loc(host.hwnd);
    loc.RefreshSkins();
    ASSERT_EQ(256u, loc.entryCount);
    EXPECT_STREQ("s001", loc.entries[0]->name);
    EXPECT_STREQ("s279", loc.entries[251]->name);
    EXPECT_STREQ("s281", loc.entries[252]->name);
    EXPECT_STREQ("s284", loc.entries[255]->name);
    EXPECT_EQ(0, loc.AddSkin("s285"));

    loc.RefreshSkins();
    EXPECT_EQ(256u, loc.entryCount);
    EXPECT_STREQ("s284", loc.entries[255]->name);
    DeleteFileA(HostIniPath().c_str());
}
