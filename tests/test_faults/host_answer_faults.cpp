// Faults in what the host says: skin notices of any shape, every version
// boundary, and a host of the test's own that answers the skin query, names
// its Skins folder and owns its window in odd ways.
#include "tests/test_faults/faults.h"

#include <sstream>

namespace faults {

TEST_F(Faults, SkinNoticesOfAnyShape)
{
    ASSERT_NO_FATAL_FAILURE(Start(host, true));
    const COLORREF backgroundG = RGB(200, 200, 0);
    const COLORREF barG = RGB(0, 100, 0);
    MakeSkin(root / "Skins\\G", kFrameF, backgroundG, barG);
    MakeSkin(root / "Outside", kFrameF, kBackgroundF, kBarNew);
    MakeSkin(root / "Skins", kFrameF, kBackgroundF, kBarNew);
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
        {"cbData 0: the Skins folder itself", "", 0, 10650, outside},
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
    // Messages to a window of another thread are none of the plug-in's.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 300, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
    COPYDATASTRUCT notice = {10650, 5, const_cast<char*>("Beta")};
    SendMessageA(other, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
    SetWindowPos(other, nullptr, 0, 0, 600, 20, SWP_NOMOVE | SWP_NOZORDER);
    DestroyWindow(other);
    Settle(host);
    Check(host, kAlphaBars, "a notice and a resize of another window");
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
                std::vector<MessageBoxWatcher::Seen> boxes = watcher.Take();
                ASSERT_EQ(1u, boxes.size()) << what;
                EXPECT_EQ("Can't Initialized SkinSuck Class", boxes[0].text) << what;
                EXPECT_EQ("ZELPIN", boxes[0].caption) << what;
                EXPECT_EQ(h.Window(), boxes[0].owner) << what;
                Settle(h);
                Check(h, kAlphaOff, what);
                continue;
            }
            ASSERT_EQ(0, h.LoadPlugin()) << what;
            const bool followsNotices = notices && v.number < 0x2004;
            EXPECT_EQ(followsNotices ? 1 : 0, h.MessagesSeen(0x466, 7)) << what;
            Settle(h);
            if (followsNotices) {   // the companion is greeted before the host is asked, if it is
                const long greeting = h.FirstArrival(0x466, reinterpret_cast<LPARAM>(h.Window()));
                const long query = h.FirstArrival(WM_USER, IPC_GETSKIN);
                EXPECT_TRUE(greeting > 0 && (v.recognises ? query == 0 : greeting < query))
                    << what << ": greeting at " << greeting << ", skin query at " << query;
            }
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

namespace {

// A host window of the test's own, on this thread, whose answers can be
// anything; the library is driven on this thread too.
class OddHost : public Installed {
protected:
    OddHost()
    {
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

    const std::string alpha = root / "Skins\\Alpha";
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

// Where the host's Skins folder comes from: its SkinDir setting, here of
// exactly 259 characters, read from the ini beside the module that owns the
// host window, which can be any module.
TEST_F(OddHost, SkinsFolderOfOddHosts)
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
    const HINSTANCE own = GetModuleHandleA(nullptr);
    const struct {
        const char* what;
        std::string skinDir;   // in the test program's own ini
        HINSTANCE owner;
        const char* notice;
        DWORD noticeSize;
        Picture want;
    } hosts[] = {
        // No room for the backslash: the host's own folder is used, where no
        // skin files are, so the strip stays.
        {"SkinDir of 259 characters without a backslash", "C:\\" + std::string(256, 'd'), own, "",
         0, kAlphaBars},
        // Kept as it is: the folder alone fills the path and no file name fits.
        {"SkinDir of 259 characters ending in a backslash", "C:\\" + std::string(255, 'd') + "\\",
         own, "", 0, kAlphaOff},
        {"a host file name without a dot, in a folder with one", "C:\\NoSkinsHere", dotless, "Beta",
         5, kBetaBars},
        {"an owner that is no module: no Skins folder, notices ignored", "C:\\NoSkinsHere",
         reinterpret_cast<HINSTANCE>(1), "Beta", 5, kAlphaBars},
    };
    for (const auto& h : hosts) {
        WriteHostIni("[Winamp]\r\nSkinDir=" + h.skinDir + "\r\n");
        SetWindowLongPtrA(host.hwnd, GWLP_HINSTANCE, reinterpret_cast<LONG_PTR>(h.owner));
        Library library(noticeWatch);
        ASSERT_NE(nullptr, library.module);
        ASSERT_EQ(0, library.Init(host.hwnd));
        Settle(library);
        ASSERT_TRUE(Shows(host.hwnd, kAlphaBars, h.what));   // the first skin comes from the host
        Notice(h.notice, h.noticeSize);
        Settle(library);
        Check(host.hwnd, library.module, h.want, h.what);
        ExpectNoRunPastPath(library.dll, 'd', h.what);
    }
    SetWindowLongPtrA(host.hwnd, GWLP_HINSTANCE, reinterpret_cast<LONG_PTR>(own));
    FreeLibrary(dotless);
}

}  // namespace faults
