#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "skin/skin_locator.h"
#include "skin/skin_signature.h"
#include "skin/skin_suck.h"
#include "tests/support/locator_fixtures.h"

namespace {

const UINT kShiftJis = 932;
const UINT kWestern = 1252;

std::string IniPath(const char* exe, UINT codePage = kWestern)
{
    char out[MAX_PATH];
    IniPathForExe(exe, codePage, out);
    return out;
}

std::string Folder(const char* skinDir, const char* exe, UINT codePage = kWestern)
{
    char out[MAX_PATH];
    SkinsFolderFor(skinDir, exe, codePage, out);
    return out;
}

}  // namespace

TEST(LocatorPaths, IniBesideTheExecutable)
{
    EXPECT_EQ("D:\\Apps\\Player\\player.ini", IniPath("D:\\Apps\\Player\\player.exe"));
    EXPECT_EQ("D:\\a\\b.c.ini", IniPath("D:\\a\\b.c.exe"));
    // Without an extension ".ini" is added; a dot in a folder name is not one.
    EXPECT_EQ("D:\\My.Apps\\player.ini", IniPath("D:\\My.Apps\\player"));
    EXPECT_EQ("player.ini", IniPath("player"));
    EXPECT_EQ("", IniPath(""));
    // 255 characters plus ".ini" just fit; 256 do not.
    EXPECT_EQ("D:\\" + std::string(252, 'a') + ".ini",
              IniPath(("D:\\" + std::string(252, 'a')).c_str()));
    EXPECT_EQ("", IniPath(("D:\\" + std::string(253, 'a')).c_str()));
    EXPECT_EQ("", IniPath(("D:\\" + std::string(257, 'a')).c_str()));
}

TEST(LocatorPaths, SkinsFolderFromSkinDir)
{
    const char* exe = "D:\\Apps\\Player\\player.exe";
    EXPECT_EQ("D:\\Skins\\", Folder("D:\\Skins", exe));
    EXPECT_EQ("D:\\Skins\\", Folder("D:\\Skins\\", exe));
    EXPECT_EQ("D:\\Apps\\Player\\Skins\\", Folder("", exe));

    // 258 characters take their backslash; 259 have no room for it and the
    // default folder is used; 259 ending in a backslash are kept.
    std::string v258 = "D:\\" + std::string(255, 's');
    std::string v259 = "D:\\" + std::string(256, 's');
    std::string v259slash = "D:\\" + std::string(255, 's') + "\\";
    EXPECT_EQ(v258 + "\\", Folder(v258.c_str(), exe));
    EXPECT_EQ("D:\\Apps\\Player\\Skins\\", Folder(v259.c_str(), exe));
    EXPECT_EQ(v259slash, Folder(v259slash.c_str(), exe));

    // No folder in the executable's path, or no room for "\Skins\": none known.
    EXPECT_EQ("", Folder("", "player.exe"));
    EXPECT_EQ("", Folder("", ("D:\\" + std::string(250, 'a') + "\\p.exe").c_str()));
    EXPECT_EQ("D:\\" + std::string(249, 'a') + "\\Skins\\",
              Folder("", ("D:\\" + std::string(249, 'a') + "\\p.exe").c_str()));
}

TEST(LocatorPaths, DoubleByteTrailBackslash)
{
    // 0x95 0x5C is one character in code page 932, a letter and a backslash
    // in 1252.
    EXPECT_EQ(0, EndsInBackslash("D:\\\x95\x5C", kShiftJis));
    EXPECT_EQ(1, EndsInBackslash("D:\\\x95\x5C\\", kShiftJis));
    EXPECT_EQ(1, EndsInBackslash("D:\\\x95\x5C", kWestern));
    EXPECT_EQ(0, EndsInBackslash("", kWestern));

    const char* exe = "D:\\Apps\\\x95\x5C.exe";
    EXPECT_EQ("D:\\\x95\x5C\\", Folder("D:\\\x95\x5C", exe, kShiftJis));
    EXPECT_EQ("D:\\\x95\x5C\\", Folder("D:\\\x95\x5C\\", exe, kShiftJis));
    EXPECT_EQ("D:\\\x95\x5C", Folder("D:\\\x95\x5C", exe, kWestern));
    // The trail byte is not the folder separator of the executable's path.
    EXPECT_EQ("D:\\Apps\\Skins\\", Folder("", exe, kShiftJis));
    EXPECT_EQ("D:\\Apps\\\x95\x5C.ini", IniPath(exe, kShiftJis));
    EXPECT_EQ("D:\\\x95\x5C.ini", IniPath("D:\\\x95\x5C", kShiftJis));
}

TEST(SkinLocator, PathsFromTheHostIni)
{
    FakeHost host(275, 116);
    const std::string exeFolder = ExeFolder();
    const struct {
        std::string line;
        std::string folder;
    } cases[] = {
        {"SkinDir=C:\\SkinsA", "C:\\SkinsA\\"},
        {"SkinDir=C:\\SkinsB\\", "C:\\SkinsB\\"},
        {"Other=1", exeFolder + "\\Skins\\"},
        {"SkinDir=C:\\" + std::string(256, 'x'), exeFolder + "\\Skins\\"},
    };
    for (const auto& c : cases) {
        WriteHostIni("[Winamp]\r\n" + c.line + "\r\n");
        HostQuerySkinLocator loc(host.hwnd);
        EXPECT_EQ(GetModuleHandleA(NULL), loc.hostInstance);
        EXPECT_EQ(ExePath(), loc.hostExePath);
        EXPECT_EQ(HostIniPath(), loc.hostIniPath);
        EXPECT_EQ(c.folder, loc.skinsFolder) << c.line;
    }
    DeleteFileA(HostIniPath().c_str());
}

TEST(SkinLocator, WindowModes)
{
    struct Case {
        int width, height, mode;
    };
    const Case cases[] = {{275, 116, 0}, {276, 116, 1}, {550, 232, 1},
                          {275, 115, 2}, {275, 14, 2},  {550, 28, 2}};
    auto text = [](const RECT& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    };
    FakeHost host(275, 116);
    HostQuerySkinLocator loc(host.hwnd);
    for (const Case& c : cases) {
        host.Resize(c.width, c.height);
        RECT r = {-1, -1, -1, -1};
        EXPECT_EQ(c.mode, loc.GetWindowMode(&r)) << c.width << "x" << c.height;
        EXPECT_EQ("0,0," + std::to_string(c.width) + "," + std::to_string(c.height), text(r));
        EXPECT_EQ(c.mode, loc.GetWindowMode(nullptr));
    }

    // A window that is gone draws nothing: shaded, with an empty rectangle.
    host.Destroy();
    RECT r = {1, 2, 3, 4};
    EXPECT_EQ(2, loc.GetWindowMode(&r));
    EXPECT_EQ("0,0,0,0", text(r));
}

TEST(HostQuerySkinLocator, AsksTheHost)
{
    FakeHost host(275, 116);
    HostQuerySkinLocator loc(host.hwnd);
    EXPECT_EQ(1, loc.RefreshSkins());

    host.pathBytes = std::string("D:\\Apps\\Player\\Skins\\Blue") + '\0';
    host.skinName = "Blue";
    EXPECT_EQ("25|D:\\Apps\\Player\\Skins\\Blue|Blue", Ask(loc));

    host.pathBytes = std::string("D:\\Skins\\Red") + '\0';
    host.skinName = "Red";
    char path[MAX_PATH] = "";
    EXPECT_EQ(12, loc.GetCurrentSkin(path, nullptr));
    EXPECT_STREQ("D:\\Skins\\Red", path);

    host.pathBytes = std::string(1, '\0');
    host.skinName = "";
    EXPECT_EQ("0||", Ask(loc));
}

TEST(HostQuerySkinLocator, HostAnswersAreBounded)
{
    FakeHost host(275, 116);
    HostQuerySkinLocator loc(host.hwnd);
    char path[MAX_PATH];
    char name[MAX_PATH + 40];

    // A null answer is no skin, even with a path written.
    host.pathBytes = std::string("D:\\Skins\\Blue") + '\0';
    host.skinName = nullptr;
    memset(name, 'n', sizeof name);
    EXPECT_EQ(0, loc.GetCurrentSkin(path, name));
    EXPECT_STREQ("", path);
    EXPECT_EQ('n', name[0]);

    // A path without its terminator ends at the buffer's last character;
    // a long name is cut to the buffer.
    const std::string longName(300, 'k');
    host.pathBytes = std::string(MAX_PATH, 'p');
    host.skinName = longName.c_str();
    EXPECT_EQ(259, loc.GetCurrentSkin(path, name));
    EXPECT_EQ(std::string(259, 'p'), path);
    EXPECT_EQ(std::string(259, 'k'), name);
    EXPECT_EQ('n', name[MAX_PATH]);
}

// Which locator was made (the product has no type information to ask): only
// the one that queries the host names the skin the host answers.
bool AsksTheHost(FakeHost& host, SkinLocator* locator)
{
    host.skinName = "Asked";
    host.pathBytes = std::string("C:\\Skins\\Asked") + '\0';
    return Ask(*locator) == "14|C:\\Skins\\Asked|Asked";
}

TEST(SkinSuck, VersionPicksTheLocator)
{
    struct Case {
        LRESULT version;
        int result;
        bool signature;
    };
    const Case cases[] = {
        {0x18FF, 0, false}, {0x1900, 1, true},  {0x1902, 1, true},
        {0x1903, 1, false}, {0x1FFF, 1, false}, {0x2000, 1, true},
        {0x2003, 1, true},  {0x2004, 1, false}, {0x5000, 1, false},
        {0, 0, false},      {-1, 0, false},     {-0x2004, 0, false},
    };
    FakeHost host(275, 116);
    for (const Case& c : cases) {
        host.version = c.version;
        SkinSuck suck;
        EXPECT_EQ(c.result, suck.Initialize(host.hwnd)) << std::hex << c.version;
        EXPECT_EQ(static_cast<int>(c.version), suck.hostVersion);
        if (c.result == 0) {
            EXPECT_EQ(nullptr, suck.locator) << std::hex << c.version;
        } else {
            ASSERT_NE(nullptr, suck.locator) << std::hex << c.version;
            EXPECT_EQ(!c.signature, AsksTheHost(host, suck.locator)) << std::hex << c.version;
        }
    }
}

TEST(SkinSuck, FailedVersionKeepsTheLocator)
{
    FakeHost host(275, 116);
    SkinSuck suck;
    host.version = 0x2004;
    ASSERT_EQ(1, suck.Initialize(host.hwnd));
    SkinLocator* first = suck.locator;
    host.version = 0x18FF;
    EXPECT_EQ(0, suck.Initialize(host.hwnd));
    EXPECT_EQ(first, suck.locator);
    EXPECT_EQ(0x18FF, suck.hostVersion);
    host.version = 0x2000;
    EXPECT_EQ(1, suck.Initialize(host.hwnd));
    EXPECT_FALSE(AsksTheHost(host, suck.locator));
}
