// The host window on its own: the ini it writes, painting the skin, its
// answers, its modes, screenshots and skin notices.
#include "tests/test_host/host_tests.h"

#include "host/bmp_file.h"
#include "image/bmp_check.h"

namespace host_test {
namespace {

TEST(Host, IniNamesTheSkinsFolderAfreshForEveryHost)
{
    const std::string& first = Skins();
    const std::string second = MakeSkins("second");
    const std::string exe = ExePath();
    std::string expectedIni = exe.substr(0, exe.rfind('.')) + ".ini";
    {
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor("Alpha", first)));
        EXPECT_EQ(expectedIni, host.IniPath());
        EXPECT_EQ(first, IniSkinDir(expectedIni));
    }
    {
        // A second host in the same process: the cached ini must not win.
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor("Alpha", second)));
        EXPECT_EQ(second, IniSkinDir(expectedIni));
    }
}

TEST(Host, PaintsTheSkinAndAnswersTheMessages)
{
    const std::string& skins = Skins();
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor()));
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
    StandInHost::Options options = OptionsFor("Beta");
    options.getSkinAnswersNull = true;
    StandInHost host;
    ASSERT_TRUE(host.Open(options));
    char path[MAX_PATH] = "";
    EXPECT_EQ(0, SendMessageA(host.Window(), WM_USER, reinterpret_cast<WPARAM>(path), IPC_GETSKIN));
    EXPECT_EQ(Skins() + "\\Beta", std::string(path));
}

TEST(Host, WindowModesResizeRepaintAndPickTheVisArea)
{
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor()));
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
    std::string file = TestFolder() + "\\shot.bmp";
    DeleteFileA(file.c_str());
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor()));
    ASSERT_TRUE(host.SaveScreenshot(file));
    std::vector<unsigned char> b = ReadBytes(file);
    ASSERT_EQ(size_t(96102), b.size());
    EXPECT_EQ("BM", std::string(b.begin(), b.begin() + 2));
    EXPECT_EQ(275u, GetDword(b, 18));
    EXPECT_EQ(116u, GetDword(b, 22));
    EXPECT_EQ(24, b[28]);
    const size_t mark = 54 + (115 - 5) * 828 + 5 * 3;   // bottom-up rows
    EXPECT_EQ(2, b[mark]);
    EXPECT_EQ(1, b[mark + 1]);
    EXPECT_EQ(250, b[mark + 2]);
    EXPECT_EQ(1, BitmapFileLooksSound(file.c_str()));
}

TEST(Host, SkinNoticeArrivesWithItsBytes)
{
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor()));
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

}  // namespace
}  // namespace host_test
