// Faults in a skin's files: bitmaps of every kind and depth, bitmaps cut
// short, settings and colour files of any shape, and defaults files of any
// shape.
#include "tests/test_faults/faults.h"

namespace faults {
namespace {

// Settings that turn the analyser off past NUL bytes, a 1 MB line or 100,000 lines.
std::vector<std::pair<const char*, std::string>> OffPastOddLines()
{
    std::string lines;
    for (int i = 0; i < 100000; ++i)
        lines += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    const char nuls[] = "[ZELPIN]\r\nEnable=0\r\n\0\0\0Junk\0=\0\r\n\0\r\n";
    return {{"with NUL bytes", std::string(nuls, sizeof nuls - 1)},
            {"with a 1 MB line", "[ZELPIN]\r\nJunk=" + std::string(1 << 20, 'j') + "\r\nEnable=0\r\n"},
            {"of 100,000 lines", "[ZELPIN]\r\n" + lines + "Enable=0\r\n"}};
}

// Loud columns in the new bar colour or in Alpha's, whichever is shown, and
// whatever is shown in the rest.
Picture BarsOverAnything(HWND window)
{
    const std::vector<COLORREF> got = VisArea(window);
    const bool read = got.size() == 76 * 16;
    const COLORREF bar = read && got[76] == kBarNew ? kBarNew : kBarA;
    return Bars(kPeak, bar, [got, read](int x, int y) { return read ? got[y * 76 + x] : CLR_INVALID; });
}

}  // namespace

TEST_F(Faults, SkinBitmapsOfEveryKind)
{
    ASSERT_NO_FATAL_FAILURE(Start(host, true));
    int skins = 0;
    // Each file in a skin of its own, after Alpha's strip.
    const auto show = [&](const std::string& what, const Bytes* file, const Picture& want,
                          const Picture& orElse) {
        const std::string name = "Bitmap" + std::to_string(skins++);
        const std::string folder = MakeSkin(root / ("Skins\\" + name), kFrameF, kBackgroundF, kBarNew);
        if (file)
            WriteBytes(folder + "\\main.bmp", *file);
        else
            DeleteFileA((folder + "\\main.bmp").c_str());
        Notice(host, "Alpha");
        Settle(host);
        Notice(host, name);
        Settle(host);
        Check(host, want ? want : BarsOverAnything(host.Window()), "main.bmp " + what, orElse);
    };
    const Bytes empty, notABitmap(200, 'z');
    show("missing", nullptr, kAlphaBars, nullptr);
    show("empty", &empty, kAlphaBars, nullptr);
    show("not a bitmap", &notABitmap, kAlphaBars, nullptr);
    // A file the platform's loader refuses leaves the previous strip; a
    // picture smaller than the vis area's corner leaves the rest black, and
    // Wine's loader reads top-down files as black.
    std::vector<BitmapKind> kinds = kBitmapKinds;
    kinds.push_back({"4000 x 3000 in the header, a tiny body", 1, 1, 8, BI_RGB, 40, 256, 256, false,
                     false, [](Bytes* b) {
                         PutDword(b, 18, 4000);
                         PutDword(b, 22, 3000);
                     }});
    for (const BitmapKind& kind : kinds) {
        // Wine's own loader (LoadImageA from a file) damages the process heap
        // on a file with the 12-byte core header, and the plug-in hands such
        // files to it: left out here until the plug-in reads them itself.
        if (std::string(kind.what) == "12-byte core header") continue;
        const int width = kind.width;
        const int height = std::abs(kind.height);
        const Picture loaded = Bars(kPeak, kBarNew, [width, height](int x, int y) {
            return x + 24 < width && y + 43 < height ? kBackgroundF : kBlack;
        });
        const Bytes file = KindFile(kind, TestPixel);
        show(kind.what, &file, kind.loads ? loaded : kAlphaBars,
             kind.height < 0 ? Bars(kPeak, kBarNew, kBlack) : nullptr);
    }

    // Run-length streams of random bytes: the file's headers are sound, its
    // runs are not. Whether the platform takes such a stream or refuses it,
    // the bars are drawn, in the new colours or in Alpha's.
    std::mt19937 random(1601);
    for (int i = 0; i < 24; ++i) {
        const Bytes file = CornerFile(i % 2 ? "run-length coded, 4 bits" : "run-length coded, 8 bits",
                                      RandomBytes(random, 64 + random() % 4000));
        show("of garbled runs #" + std::to_string(i), &file, nullptr, nullptr);
    }
}

TEST_F(Faults, BitmapsCutShortKeepThePreviousStrip)
{
    ASSERT_NO_FATAL_FAILURE(Start(host, true));
    const std::string folder = MakeSkin(root / "Skins\\Cut", kFrameF, kBackgroundF, kBarNew);
    const struct {
        const char* what;
        Bytes whole;
    } files[] = {
        {"24-bit", CornerFile("24 bits")},
        {"8-bit", CornerFile("8 bits, 2 colours")},
        {"run-length coded", CornerFile("run-length coded, 8 bits")},
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
    ASSERT_NO_FATAL_FAILURE(Start(host, true));
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

    for (const char* file : {"zelpin.txt", "zelpin.ini"})
        for (const auto& odd : OffPastOddLines()) run(file, odd.second, kAlphaOff, odd.first);
}

TEST_F(Faults, DefaultsFilesOfAnyShape)
{
    Open(host, 0x2004, false);
    struct Case {
        std::string library;
        std::string what;
        Picture want;
    };
    std::vector<Case> cases;
    std::mt19937 random(31415);
    for (int i = 0; i < 40; ++i)
        cases.push_back({Install(root / ("Random" + std::to_string(i)),
                                 RandomBytes(random, 1 + random() % 3000)),
                         "plugin.ini of random bytes #" + std::to_string(i), kAlphaBars});
    for (const auto& odd : OffPastOddLines())
        cases.push_back({Install(root / ("Odd" + std::to_string(cases.size())), odd.second),
                         std::string("plugin.ini ") + odd.first, kAlphaOff});
    // A library in a folder of 249 characters: "\plugin.ini" beside it would
    // not fit in 260, so no defaults file is read, not one of a cut name.
    std::string deep = root / "Deep";
    MakeFolder(deep);
    deep += "\\" + std::string(249 - deep.size() - 1, 'd');
    MakeFolder(deep);
    ASSERT_TRUE(CopyFileA(repaintWatch.c_str(), (deep + "\\z.dll").c_str(), FALSE));
    WriteTextFile(deep + "\\plugin.in", "[ZELPIN]\r\nEnable=0\r\n");
    cases.push_back({deep + "\\z.dll", "a library 255 characters deep", kAlphaBars});

    for (const Case& c : cases) {
        host.Repaint();
        Library library(c.library);
        ASSERT_NE(nullptr, library.module) << c.what;
        EXPECT_EQ(0, library.Init(host.Window())) << c.what;
        library.Render(255);
        host.Repaint();
        library.Render(255, 2);
        Check(host.Window(), library.module, c.want, c.what);
    }
}

}  // namespace faults
