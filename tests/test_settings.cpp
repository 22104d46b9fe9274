#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
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

    std::string Folder()
    {
        const std::string path = FreshPath();
        MakeFolder(path);
        return path;
    }

    // A plug-in configuration whose defaults come from a file with these lines.
    ZelpinConfig Defaults(const std::string& lines) { return ZelpinConfig(Write("[ZELPIN]\n" + lines).c_str()); }

private:
    std::string FreshPath() { return TempFile(("case" + std::to_string(++counter) + ".ini").c_str()); }
    static int counter;
};

int Settings::counter = 0;

struct Current {
    int blendMethod, analyzerMode, ratio, enable, peaks, rain;
};

void ExpectCurrent(const Current& want, const ZelpinConfig& c)
{
    EXPECT_EQ(want.blendMethod, c.blendMethod);
    EXPECT_EQ(want.analyzerMode, c.analyzerMode);
    EXPECT_EQ(want.ratio, c.ratio);
    EXPECT_EQ(want.enable, c.enable);
    EXPECT_EQ(want.peaks, c.peaks);
    EXPECT_EQ(want.rain, c.rain);
}

struct DefaultSet {
    int blendMethod, analyzerMode, ratio, enable, peaks, rain, dependQuelbix;
};

void ExpectDefaults(const DefaultSet& want, const ZelpinConfig& c)
{
    EXPECT_EQ(want.blendMethod, c.defaultBlendMethod);
    EXPECT_EQ(want.analyzerMode, c.defaultAnalyzerMode);
    EXPECT_EQ(want.ratio, c.defaultRatio);
    EXPECT_EQ(want.enable, c.defaultEnable);
    EXPECT_EQ(want.peaks, c.defaultPeaks);
    EXPECT_EQ(want.rain, c.defaultRain);
    EXPECT_EQ(want.dependQuelbix, c.dependQuelbix);
}

TEST_F(Settings, WithoutPluginIniOrSectionDefaultsAreBuiltIn)
{
    {
        SCOPED_TRACE("no plugin.ini");
        ExpectDefaults({0, 1, 51, 1, 1, 0, 0}, ZelpinConfig(Missing().c_str()));
    }
    {
        SCOPED_TRACE("other section only");
        ZelpinConfig c(Write("[Other]\nBlendMethod=2\nRatio=100\nEnable=0\nDependQuelbix=1\n").c_str());
        ExpectDefaults({0, 1, 51, 1, 1, 0, 0}, c);
    }
}

TEST_F(Settings, ConstructionLeavesAnalyserOffAndOtherwiseMirrorsDefaults)
{
    ExpectCurrent({0, 1, 51, 0, 1, 0}, ZelpinConfig(Missing().c_str()));

    ZelpinConfig c = Defaults("BlendMethod=2\nAnalyzerMode=0\nRatio=75\nEnable=1\nPeaks=0\nRain=1\n");
    ExpectCurrent({2, 0, 96, 0, 0, 1}, c);
}

TEST_F(Settings, PluginIniValuesAreReducedToTheirLowByte)
{
    struct Case {
        const char* line;
        DefaultSet want;
    };
    const Case cases[] = {
        {"Ratio=100", {0, 1, 128, 1, 1, 0, 0}},
        {"Ratio=101", {0, 1, 51, 1, 1, 0, 0}},
        {"Ratio=356", {0, 1, 128, 1, 1, 0, 0}},
        {"Ratio=0", {0, 1, 0, 1, 1, 0, 0}},
        {"BlendMethod=3", {0, 1, 51, 1, 1, 0, 0}},
        {"BlendMethod=258", {2, 1, 51, 1, 1, 0, 0}},
        {"BlendMethod=256", {0, 1, 51, 1, 1, 0, 0}},
        {"AnalyzerMode=5", {0, 1, 51, 1, 1, 0, 0}},
        {"AnalyzerMode=2", {0, 2, 51, 1, 1, 0, 0}},
        {"Enable=256", {0, 1, 51, 256, 1, 0, 0}},
        {"Enable=0\nPeaks=0\nRain=2\nDependQuelbix=1", {0, 1, 51, 0, 0, 2, 1}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        ExpectDefaults(k.want, Defaults(std::string(k.line) + "\n"));
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

TEST_F(Settings, SkinWithoutFileGetsDefaultsWithRatioConvertedThereAndBack)
{
    ZelpinConfig c(Missing().c_str());
    c.ReadSkinSettings(Missing().c_str());
    ExpectCurrent({0, 1, 49, 1, 1, 0}, c);
    c.ReadSkinSettings(nullptr);   // no path reads as a missing file
    ExpectCurrent({0, 1, 49, 1, 1, 0}, c);

    // Percentages that are whole in 128ths survive the round trip.
    const int exact[][2] = {{0, 0}, {25, 32}, {50, 64}, {75, 96}, {100, 128}};
    for (const auto& row : exact) {
        SCOPED_TRACE(row[0]);
        ZelpinConfig d = Defaults("Ratio=" + std::to_string(row[0]) + "\n");
        d.ReadSkinSettings(Write("[ZELPIN]\nPeaks=1\n").c_str());
        EXPECT_EQ(row[1], d.ratio);
    }
}

TEST_F(Settings, SkinOutOfRangeFallsBackToDefaultsExactly)
{
    ZelpinConfig c(Missing().c_str());
    c.ReadSkinSettings(Write("[ZELPIN]\nRatio=150\nBlendMethod=3\nAnalyzerMode=259\n").c_str());
    ExpectCurrent({0, 1, 51, 1, 1, 0}, c);

    ZelpinConfig d = Defaults("Ratio=10\nBlendMethod=1\nAnalyzerMode=2\nEnable=0\nPeaks=0\nRain=1\n");
    d.ReadSkinSettings(Write("[ZELPIN]\nRatio=101\nBlendMethod=255\nAnalyzerMode=3\n").c_str());
    ExpectCurrent({1, 2, 12, 0, 0, 1}, d);
}

TEST_F(Settings, SkinValuesAreReducedToTheirLowByte)
{
    ZelpinConfig c(Missing().c_str());
    c.ReadSkinSettings(Write("[ZELPIN]\nBlendMethod=258\nAnalyzerMode=512\nRatio=356\n"
                             "Enable=256\nPeaks=-1\nRain=65536\n").c_str());
    ExpectCurrent({2, 0, 128, 256, -1, 65536}, c);
}

TEST_F(Settings, NothingCarriesOverFromThePreviousSkin)
{
    ZelpinConfig c = Defaults("Peaks=0\n");
    c.ReadSkinSettings(Write("[ZELPIN]\nBlendMethod=2\nAnalyzerMode=0\nRatio=100\n"
                             "Enable=0\nPeaks=1\nRain=1\n").c_str());
    ExpectCurrent({2, 0, 128, 0, 1, 1}, c);

    c.ReadSkinSettings(Missing().c_str());
    ExpectCurrent({0, 1, 49, 1, 0, 0}, c);
}

TEST_F(Settings, EachReadKeepsToItsOwnSet)
{
    ZelpinConfig c = Defaults("BlendMethod=1\nRatio=50\nDependQuelbix=1\n");
    c.ReadSkinSettings(Write("[ZELPIN]\nBlendMethod=2\nAnalyzerMode=0\nRatio=0\nEnable=7\n"
                             "Peaks=0\nRain=1\nDependQuelbix=0\n").c_str());
    ExpectDefaults({1, 1, 64, 1, 1, 0, 1}, c);

    c.ReadDefaults(Write("[ZELPIN]\nBlendMethod=0\nRatio=100\nEnable=0\nDependQuelbix=0\n").c_str());
    ExpectDefaults({0, 1, 128, 0, 1, 0, 0}, c);
    ExpectCurrent({2, 0, 0, 7, 0, 1}, c);
}

TEST_F(Settings, NegativeNumbersWrapIntoTheirLowByte)
{
    // -1 is byte 255 (out of range); -156 is byte 100.
    ZelpinConfig c = Defaults("BlendMethod=-1\nAnalyzerMode=-254\nRatio=-156\nEnable=-1\n");
    ExpectDefaults({0, 2, 128, -1, 1, 0, 0}, c);

    c.ReadSkinSettings(Write("[ZELPIN]\nBlendMethod=-255\nRatio=-1\nEnable=0\nRain=-2\n").c_str());
    ExpectCurrent({1, 2, 128, 0, 1, -2}, c);
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
    std::string junk;
    unsigned int seed = 12345;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1103515245u + 12345u;
        junk += static_cast<char>(seed >> 24);
    }
    ZelpinConfig d(Write(junk).c_str());
    ExpectDefaults({0, 1, 51, 1, 1, 0, 0}, d);
    d.ReadSkinSettings(Write(junk).c_str());
    ExpectCurrent({0, 1, 49, 1, 1, 0}, d);
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
        case kFolder: path = Folder(); break;
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
