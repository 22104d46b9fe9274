#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "skin/profile_file.h"
#include "skin/zelpin_config.h"
#include "tests/support/draw_fixtures.h"
#include "tests/support/skin_files.h"

namespace {

// The platform caches profile files by write time, so every case gets a file
// of its own instead of rewriting one.
class Settings : public ::testing::Test {
protected:
    std::string Write(const std::string& content)
    {
        const std::string path = FreshPath();
        WriteBytes(path, Bytes(content.begin(), content.end()));
        return path;
    }

    std::string Missing() { return FreshPath(); }

    // A plug-in configuration whose defaults come from a file with these lines.
    ZelpinConfig Defaults(const std::string& lines) { return ZelpinConfig(Write("[ZELPIN]\n" + lines).c_str()); }

private:
    std::string FreshPath() { return TempFile(("case" + std::to_string(++counter) + ".ini").c_str()); }
    static int counter;
};

int Settings::counter = 0;

// One set of values, defaults or current (whose dependQuelbix stays 0).
struct Set {
    int blendMethod, analyzerMode, ratio, enable, peaks, rain, dependQuelbix;
    bool operator==(const Set& o) const
    {
        return std::tie(blendMethod, analyzerMode, ratio, enable, peaks, rain, dependQuelbix) ==
               std::tie(o.blendMethod, o.analyzerMode, o.ratio, o.enable, o.peaks, o.rain, o.dependQuelbix);
    }
};

std::ostream& operator<<(std::ostream& out, const Set& s)
{
    return out << "{" << s.blendMethod << ", " << s.analyzerMode << ", " << s.ratio << ", " << s.enable
               << ", " << s.peaks << ", " << s.rain << ", " << s.dependQuelbix << "}";
}

void ExpectCurrent(const Set& want, const ZelpinConfig& c)
{
    EXPECT_EQ(want, (Set{c.blendMethod, c.analyzerMode, c.ratio, c.enable, c.peaks, c.rain, 0}));
}

void ExpectDefaults(const Set& want, const ZelpinConfig& c)
{
    EXPECT_EQ(want, (Set{c.defaultBlendMethod, c.defaultAnalyzerMode, c.defaultRatio, c.defaultEnable,
                         c.defaultPeaks, c.defaultRain, c.dependQuelbix}));
}

// "plugin.ini" gives the defaults set, only the low byte of a choice or ratio
// counting; construction copies it to the current set with the analyser off.
TEST_F(Settings, PluginIniGivesTheDefaults)
{
    const std::string z = "[ZELPIN]\n";
    const struct {
        const char* what;
        std::string text;   // empty: no file
        Set want;
    } cases[] = {
        {"no plugin.ini", "", {0, 1, 51, 1, 1, 0, 0}},
        {"other section only", "[Other]\nBlendMethod=2\nRatio=100\nEnable=0\nDependQuelbix=1\n", {0, 1, 51, 1, 1, 0, 0}},
        {"every key", z + "BlendMethod=2\nAnalyzerMode=0\nRatio=75\nEnable=1\nPeaks=0\nRain=1\n", {2, 0, 96, 1, 0, 1, 0}},
        {"Ratio=100", z + "Ratio=100\n", {0, 1, 128, 1, 1, 0, 0}},
        {"Ratio=101", z + "Ratio=101\n", {0, 1, 51, 1, 1, 0, 0}},
        {"Ratio=356", z + "Ratio=356\n", {0, 1, 128, 1, 1, 0, 0}},
        {"Ratio=0", z + "Ratio=0\n", {0, 1, 0, 1, 1, 0, 0}},
        {"BlendMethod=3", z + "BlendMethod=3\n", {0, 1, 51, 1, 1, 0, 0}},
        {"BlendMethod=258", z + "BlendMethod=258\n", {2, 1, 51, 1, 1, 0, 0}},
        {"BlendMethod=256", z + "BlendMethod=256\n", {0, 1, 51, 1, 1, 0, 0}},
        {"AnalyzerMode=5", z + "AnalyzerMode=5\n", {0, 1, 51, 1, 1, 0, 0}},
        {"AnalyzerMode=2", z + "AnalyzerMode=2\n", {0, 2, 51, 1, 1, 0, 0}},
        {"Enable=256", z + "Enable=256\n", {0, 1, 51, 256, 1, 0, 0}},
        {"the rest", z + "Enable=0\nPeaks=0\nRain=2\nDependQuelbix=1\n", {0, 1, 51, 0, 0, 2, 1}},
        // -1 is byte 255 (out of range); -156 is byte 100.
        {"negative", z + "BlendMethod=-1\nAnalyzerMode=-254\nRatio=-156\nEnable=-1\n", {0, 2, 128, -1, 1, 0, 0}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        const ZelpinConfig c((k.text.empty() ? Missing() : Write(k.text)).c_str());
        ExpectDefaults(k.want, c);
        ExpectCurrent({k.want.blendMethod, k.want.analyzerMode, k.want.ratio, 0, k.want.peaks, k.want.rain, 0}, c);
    }
}

TEST_F(Settings, RatioPercentBecomes128ths)
{
    const int table[][2] = {{0, 0},   {1, 1},   {10, 12}, {25, 32},  {40, 51},
                            {50, 64}, {75, 96}, {99, 126}, {100, 128}};
    for (const auto& row : table) {
        const std::string line = "Ratio=" + std::to_string(row[0]) + "\n";
        SCOPED_TRACE(line);
        EXPECT_EQ(row[1], Defaults(line).defaultRatio);

        ZelpinConfig c(Missing().c_str());
        c.ReadSkinSettings(Write("[ZELPIN]\n" + line).c_str());
        EXPECT_EQ(row[1], c.ratio);
    }
}

// A skin's file gives the current set; what it lacks or holds out of range
// comes from the defaults (a ratio through its percentage and back, unless it
// was out of range), never from the skin read before it.
TEST_F(Settings, SkinFileGivesTheCurrentSet)
{
    const struct {
        const char* defaults;   // "plugin.ini" lines; null: no file
        const char* skin;       // the skin's lines; null: no file
        Set want;
    } cases[] = {
        {nullptr, nullptr, {0, 1, 49, 1, 1, 0, 0}},
        {"Peaks=0", nullptr, {0, 1, 49, 1, 0, 0, 0}},
        // Percentages that are whole in 128ths survive the round trip.
        {"Ratio=0", "Peaks=1", {0, 1, 0, 1, 1, 0, 0}},
        {"Ratio=25", "Peaks=1", {0, 1, 32, 1, 1, 0, 0}},
        {"Ratio=50", "Peaks=1", {0, 1, 64, 1, 1, 0, 0}},
        {"Ratio=75", "Peaks=1", {0, 1, 96, 1, 1, 0, 0}},
        {"Ratio=100", "Peaks=1", {0, 1, 128, 1, 1, 0, 0}},
        {nullptr, "Ratio=150\nBlendMethod=3\nAnalyzerMode=259", {0, 1, 51, 1, 1, 0, 0}},
        {"Ratio=10\nBlendMethod=1\nAnalyzerMode=2\nEnable=0\nPeaks=0\nRain=1",
         "Ratio=101\nBlendMethod=255\nAnalyzerMode=3", {1, 2, 12, 0, 0, 1, 0}},
        {nullptr, "BlendMethod=258\nAnalyzerMode=512\nRatio=356\nEnable=256\nPeaks=-1\nRain=65536",
         {2, 0, 128, 256, -1, 65536, 0}},
        {"Peaks=0", "BlendMethod=2\nAnalyzerMode=0\nRatio=100\nEnable=0\nPeaks=1\nRain=1", {2, 0, 128, 0, 1, 1, 0}},
        {"BlendMethod=-1\nAnalyzerMode=-254\nRatio=-156\nEnable=-1",
         "BlendMethod=-255\nRatio=-1\nEnable=0\nRain=-2", {1, 2, 128, 0, 1, -2, 0}},
    };
    const std::string previous = "[ZELPIN]\nBlendMethod=1\nAnalyzerMode=0\nRatio=77\nEnable=5\nPeaks=9\nRain=3\n";
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.defaults ? k.defaults : "(no plugin.ini)") + " / " + (k.skin ? k.skin : "(no file)"));
        ZelpinConfig c = k.defaults ? Defaults(std::string(k.defaults) + "\n") : ZelpinConfig(Missing().c_str());
        c.ReadSkinSettings(Write(previous).c_str());
        c.ReadSkinSettings((k.skin ? Write("[ZELPIN]\n" + std::string(k.skin) + "\n") : Missing()).c_str());
        ExpectCurrent(k.want, c);
    }
    ZelpinConfig c(Missing().c_str());
    c.ReadSkinSettings(nullptr);   // no path reads as a missing file
    ExpectCurrent({0, 1, 49, 1, 1, 0, 0}, c);
}

TEST_F(Settings, EachReadKeepsToItsOwnSet)
{
    ZelpinConfig c = Defaults("BlendMethod=1\nRatio=50\nDependQuelbix=1\n");
    c.ReadSkinSettings(Write("[ZELPIN]\nBlendMethod=2\nAnalyzerMode=0\nRatio=0\nEnable=7\n"
                             "Peaks=0\nRain=1\nDependQuelbix=0\n").c_str());
    ExpectDefaults({1, 1, 64, 1, 1, 0, 1}, c);

    c.ReadDefaults(Write("[ZELPIN]\nBlendMethod=0\nRatio=100\nEnable=0\nDependQuelbix=0\n").c_str());
    ExpectDefaults({0, 1, 128, 0, 1, 0, 0}, c);
    ExpectCurrent({2, 0, 0, 7, 0, 1, 0}, c);
}

TEST_F(Settings, GarbageAndHugeNumbersStayInRange)
{
    const char* files[] = {
        "[ZELPIN]\nBlendMethod=abc\nAnalyzerMode=\nRatio=12x4\nEnable=on\n",
        "[ZELPIN]\nBlendMethod=99999999999999999999\nAnalyzerMode=4294967298\n"
        "Ratio=18446744073709551716\nEnable=99999999999999999999\n",
        "[ZELPIN]\nBlendMethod=0x7fffffff\nRatio=2147483648\nAnalyzerMode=-2147483649\n",
        "[ZELPIN\nRatio\n=\n==5\n[ZELPIN]]\nBlendMethod==\n\x01\x02\xff\xfe\n[]\n",
    };
    for (const char* text : files) {
        SCOPED_TRACE(text);
        ZelpinConfig c(Write(text).c_str());
        EXPECT_LE(c.defaultBlendMethod, 2);
        EXPECT_LE(c.defaultAnalyzerMode, 2);
        EXPECT_LE(c.defaultRatio, 128);
        c.ReadSkinSettings(Write(text).c_str());
        EXPECT_LE(c.blendMethod, 2);
        EXPECT_LE(c.analyzerMode, 2);
        EXPECT_LE(c.ratio, 128);
    }

    // Bytes without a section: every value is the default.
    const std::string junk = Junk(12345, 65536);
    ZelpinConfig d(Write(junk).c_str());
    ExpectDefaults({0, 1, 51, 1, 1, 0, 0}, d);
    d.ReadSkinSettings(Write(junk).c_str());
    ExpectCurrent({0, 1, 49, 1, 1, 0, 0}, d);
}

// Bytes with NULs in them.
template <size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

std::string Utf16(const std::string& ascii, bool bigEndian = false)
{
    std::string wide = bigEndian ? "\xfe\xff" : "\xff\xfe";
    for (char c : ascii) wide += bigEndian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
    return wide;
}

// The reader's rules, each where it differs from a plain reading; every
// value is read with the default 7. Where Windows and Wine differ, the row
// names the black-box test of Windows 10 that attests it, in
// github.com/WelliSolutions/IniFileFormatReverseEngineering,
// source/tests/IniFileFormatTests/Tests/.
TEST_F(Settings, ReaderReadsAsTheProfileRulesSay)
{
    enum Where { kText, kNoFile, kFolder, kBareName, kNullPath };
    struct Case {
        const char* rule;
        std::string text;
        const char* key;
        int want;
        Where where = kText;
    };
    const std::string longKey(70, 'k');
    const Case cases[] = {
        {"quotes of both kinds are stripped", "[ZELPIN]\nRain=\"12\"\nPeaks='-3'\n", "Peaks", -3},
        {"double quotes", "[ZELPIN]\nRain=\"12\"\n", "Rain", 12},
        {"unmatched quotes stay: no digits", "[ZELPIN]\nRain=\"12'\n", "Rain", 0},
        {"a lone quote stays", "[ZELPIN]\nRain=\"\n", "Rain", 0},
        {"empty quotes: the default", "[ZELPIN]\nRain=\"\"\n", "Rain", 7},
        {"empty value: the default", "[ZELPIN]\nRain=\n", "Rain", 7},
        {"29 characters read", "[ZELPIN]\nRain=" + std::string(27, '0') + "12\n", "Rain", 12},
        {"the 30th is cut", "[ZELPIN]\nRain=" + std::string(28, '0') + "12\n", "Rain", 1},
        {"28 quoted", "[ZELPIN]\nRain=\"" + std::string(26, '0') + "12\"\n", "Rain", 12},
        {"29 quoted lose their last", "[ZELPIN]\nRain=\"" + std::string(27, '0') + "12\"\n", "Rain", 1},
        {"30 quoted: cut at 29", "[ZELPIN]\nRain=\"" + std::string(28, '0') + "12\"\n", "Rain", 1},
        {"hex", "[ZELPIN]\nRain=0x1F\n", "Rain", 31},
        {"no capital X", "[ZELPIN]\nRain=0X1F\n", "Rain", 0},
        {"negative hex", "[ZELPIN]\nRain=-0x10\n", "Rain", -16},
        {"binary", "[ZELPIN]\nRain=0b101\n", "Rain", 5},
        {"octal", "[ZELPIN]\nRain=0o17\n", "Rain", 15},
        {"one sign only", "[ZELPIN]\nRain=+-5\n", "Rain", 0},
        {"control characters skipped", "[ZELPIN]\nRain=\x01\x02" "9\n", "Rain", 9},
        {"32 bits kept", "[ZELPIN]\nRain=4294967297\n", "Rain", 1},
        {"digits up to the first other", "[ZELPIN]\nRain=12x4\n", "Rain", 12},
        {"first section only", "[ZELPIN]\nRain=1\n[zelpin]\nRain=2\nPeaks=3\n", "Peaks", 7},
        {"first key only", "[ZELPIN]\nRain=1\nRain=2\n", "Rain", 1},
        {"a first key without value", "[ZELPIN]\nRain\nRain=2\n", "Rain", 7},
        {"names without case, spaced", "[zelpin]\n  RAIN \t=  5\n", "Rain", 5},
        {"section name trimmed", "[ \tZELPIN\x1a ] junk\nRain=4\n", "Rain", 4},
        {"name to the first ']' (SquareBracket_Tests.cs)", "[ZELPIN]x]\nRain=4\n", "Rain", 4},
        {"no ']' needed (SquareBracket_Tests.cs)", "[ZELPIN \nRain=4\n", "Rain", 4},
        {"no '[', no section (SquareBracket_Tests.cs)", "ZELPIN]\nRain=4\n", "Rain", 7},
        {"spaces and tabs in brackets ignored (WhiteSpace_Tests.cs)", "[\t ZELPIN]\nRain=4\n", "Rain", 4},
        {"keys before a section", "Rain=4\n[ZELPIN]\n", "Rain", 7},
        {"lines end at CR too", "[ZELPIN]\rRain=6\rPeaks=2", "Rain", 6},
        {"^Z is a space", "[ZELPIN]\n\x1aRain\x1a=8\x1a\n", "Rain", 8},
        {"no-break space is not", "[ZELPIN]\nRain=\xa0" "5\n", "Rain", 0},
        {"a NUL ends a name", Bytes("[ZELPIN\0x]\nRain\0x=5\n"), "Rain", 5},
        {"a NUL ends a value", Bytes("[ZELPIN]\nRain=5\0" "6\n"), "Rain", 5},
        {"a UTF-8 mark breaks the first line (UTF8_Tests.cs)", "\xef\xbb\xbf[ZELPIN]\nRain=3\n", "Rain", 7},
        {"the first line only (UTF8_Tests.cs)", "\xef\xbb\xbf[A]\n[ZELPIN]\nRain=3\n", "Rain", 3},
        {"UTF-16 (the platform's read)", Utf16("[ZELPIN]\r\nRain=9\r\n"), "Rain", 9},
        {"UTF-16, big-endian (the platform's read)", Utf16("[ZELPIN]\r\nRain=9\r\n", true), "Rain", 9},
        {"large file (the platform's read)",
         std::string(70000, ';') + "\n[ZELPIN]\nRain=11\n", "Rain", 11},
        {"long key (the platform's read)", "[ZELPIN]\n" + longKey + "=13\n", longKey.c_str(), 13},
        {"empty file", "", "Rain", 7},
        {"missing file", "", "Rain", 7, kNoFile},
        {"a folder", "", "Rain", 7, kFolder},
        {"a bare name: the Windows folder's", "", "Rain", 7, kBareName},
        {"no path", "", "Rain", 7, kNullPath},
    };
    for (const Case& c : cases) {
        std::string path;
        switch (c.where) {
        case kText: path = Write(c.text); break;
        case kNoFile: path = Missing(); break;
        case kFolder: path = Missing(); MakeFolder(path); break;
        case kBareName: path = "zelpin_no_such_settings.ini"; break;
        case kNullPath: break;
        }
        const ProfileFile file(c.where == kNullPath ? nullptr : path.c_str(), "ZELPIN");
        EXPECT_EQ(c.want, static_cast<int>(file.Int(c.key, 7))) << c.rule;
    }
    // Names compare as the platform's ordinal comparison without case does,
    // for every UTF-16 unit a file can hold against the names' characters
    // (the Kelvin sign, a dotless i or a long s are no ASCII letters).
    int differ = 0;
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit) {
        const WCHAR u = static_cast<WCHAR>(unit);
        for (const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZ_0"; *a; ++a) {
            const char name[2] = {*a, '\0'};
            const WCHAR wide = static_cast<WCHAR>(*a);
            const bool platform = CompareStringOrdinal(&u, 1, &wide, 1, TRUE) == CSTR_EQUAL;
            if (SameProfileName(&u, 1, name) != platform && differ++ < 5)
                ADD_FAILURE() << "U+" << std::hex << unit << " against '" << *a << "': platform "
                              << platform;
        }
    }
    EXPECT_EQ(0, differ);
    EXPECT_FALSE(SameProfileName(L"Rai", 3, "Rain"));
    EXPECT_FALSE(SameProfileName(L"Rains", 5, "Rain"));
    EXPECT_TRUE(SameProfileName(L"rAIN", 4, "Rain"));

    // A section name too long for the reader goes to the platform's read.
    const std::string longSection(70, 'S');
    const std::string path = Write("[" + longSection + "]\nRain=5\n");
    const ProfileFile file(path.c_str(), longSection.c_str());
    EXPECT_EQ(GetPrivateProfileIntA(longSection.c_str(), "Rain", 7, path.c_str()), file.Int("Rain", 7));
}

} // namespace
