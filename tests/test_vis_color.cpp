#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "skin/vis_color.h"
#include "tests/support/draw_fixtures.h"

namespace {

const COLORREF kDefaults[24] = {
    0x00000000, 0x00292118, 0x001031EF, 0x001029CE, 0x00005AD6, 0x000066D6,
    0x000073D6, 0x00087BC6, 0x0018A5DE, 0x0021B5D6, 0x0029DEBD, 0x0021DE94,
    0x0010CE29, 0x0010BE32, 0x0010B539, 0x00089C31, 0x00009429, 0x00088418,
    0x00FFFFFF, 0x00DED6D6, 0x00BDBDB5, 0x00AFAAA0, 0x00A59C94, 0x00969696,
};

const COLORREF kGuard = 0xDEADBEEF;

// Words right behind the table: a read past its 24 entries lands here.
struct GuardedTable {
    VisColor table;
    COLORREF after[8] = {kGuard, kGuard, kGuard, kGuard, kGuard, kGuard, kGuard, kGuard};
};

class VisColors : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = TempFile("viscolor.txt");
        DeleteFileA(path.c_str());
    }

    void TearDown() override
    {
        for (COLORREF word : guarded.after) {
            EXPECT_EQ(kGuard, word) << "written past the 24 entries";
        }
        DeleteFileA(path.c_str());
    }

    // Writes the bytes exactly (carriage returns and NULs included) and reads them.
    int Read(const std::string& bytes)
    {
        WriteBytes(path, Bytes(bytes.begin(), bytes.end()));
        return guarded.table.ReadVisColors(path.c_str());
    }

    COLORREF At(int i) const { return guarded.table.colors[i]; }

    // Entries 0, 1, ... hold these colours, the rest their defaults.
    void ExpectTable(const std::vector<COLORREF>& first)
    {
        for (size_t i = 0; i < first.size(); ++i) {
            EXPECT_EQ(first[i], At(static_cast<int>(i))) << "entry " << i;
        }
        ExpectDefaultsFrom(static_cast<int>(first.size()));
    }

    void ExpectDefaultsFrom(int first)
    {
        for (int i = first; i < 24; ++i) {
            EXPECT_EQ(kDefaults[i], At(i)) << "entry " << i;
        }
    }

    std::string path;
    GuardedTable guarded;
};

TEST_F(VisColors, MissingFileGivesDefaultsAndZero)
{
    EXPECT_EQ(1, Read(std::string(24, '\n')));
    EXPECT_EQ(0x00000000u, At(1));
    DeleteFileA(path.c_str());

    EXPECT_EQ(0, guarded.table.ReadVisColors(path.c_str()));
    ExpectDefaultsFrom(0);
}

// Each read starts from the defaults: a row fills fewer entries than the
// row before it.
TEST_F(VisColors, EveryLineFillsOneEntry)
{
    // 300 characters: the first 255 end with a comma, the rest start 44,55,66.
    std::string longLine = "11,22,33,";
    while (longLine.size() < 255) longLine += "9,";
    longLine += "44,55,66,";
    while (longLine.size() < 300) longLine += "7,";
    std::string ones;
    for (int i = 0; i < 24; ++i) ones += "1,1,1\n";
    const struct {
        const char* what;
        std::string text;
        std::vector<COLORREF> first;   // the rest keep their defaults
    } cases[] = {
        {"an empty file", "", {}},
        {"all 24 lines", ones, std::vector<COLORREF>(24, 0x00010101)},
        {"one line", "5,5,5\n", {0x00050505}},
        {"numbers, comments and gaps",
         "\n"
         "24,33,41\n"
         "239, 49 ,\t16 // the first bar colour\n"
         "// a comment stores black\n"
         " ,\t, \n"
         "300 -1 7\n"
         "255,128\n"
         "255,,0\n"
         "+12,-0,0007xyz 99\n"
         "red green blue\n",
         {0x00000000, 0x00292118, 0x001031EF, 0x00000000, 0x00000000, 0x0007FF2C, 0x000080FF,
          0x000000FF, 0x0007000C, 0x00000000}},
        {"carriage returns never change a value", "24,33,41\r\n10 20 30\r\r\n5,6\r\n\r\n7,8,9\r",
         {0x00292118, 0x001E140A, 0x00000605, 0x00000000, 0x00090807}},
        {"a 300-byte line read in 255-byte parts", longLine + "\n1,2,3\n", {0x0021160B, 0x0042372C, 0x00030201}},
        {"NUL bytes end a line early", std::string("1,2,3\0 9,9,9\n\0 4,5,6\n4,5,6\n", 27),
         {0x00030201, 0x00000000, 0x00060504}},
    };
    ASSERT_EQ(300u, longLine.size());
    ExpectDefaultsFrom(0);   // as constructed
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(1, Read(c.text));
        ExpectTable(c.first);
    }
}

// "red, green, blue" of a table entry, for messages that can be read.
std::string Components(COLORREF c)
{
    return std::to_string(GetRValue(c)) + ", " + std::to_string(GetGValue(c)) + ", " +
           std::to_string(GetBValue(c));
}

// Space, comma and tab each separate the numbers on their own and in runs,
// also before the first number and after the last; other characters do not.
TEST_F(VisColors, EachSeparatorAloneAndInRuns)
{
    struct Case { const char* name; const char* line; const char* expected; };
    const Case cases[] = {
        {"one space", "11 12 13\n", "11, 12, 13"},
        {"one comma", "21,22,23\n", "21, 22, 23"},
        {"one tab", "31\t32\t33\n", "31, 32, 33"},
        {"runs of spaces", "   41  42     43   \n", "41, 42, 43"},
        {"runs of commas", ",,,51,,52,,,,,53,,\n", "51, 52, 53"},
        {"runs of tabs", "\t\t\t61\t\t62\t\t\t\t\t63\t\t\n", "61, 62, 63"},
        {"mixed runs", "\t, 71,\t 72 \t,73\n", "71, 72, 73"},
        {"tabs, no line feed at the end of the file", "81\t82\t83", "81, 82, 83"},
        {"semicolons separate nothing", "91;92;93\n", "91, 0, 0"},
        {"carriage returns separate nothing", "94\r95\r96\n", "94, 0, 0"},
        {"vertical tabs separate nothing", "97\v98\v99\n", "97, 0, 0"},
        {"other white space before a number is skipped", "\v1 \f2 \r3\n", "1, 2, 3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(1, Read(c.line)) << c.name;
        EXPECT_EQ(c.expected, Components(At(0))) << c.name;
        ExpectDefaultsFrom(1);
    }
}

TEST_F(VisColors, OnlyTheFirst24LinesAreRead)
{
    std::string text;
    for (int i = 1; i <= 30; ++i) {
        text += std::to_string(i) + " 2 3\n";
    }
    EXPECT_EQ(1, Read(text));
    EXPECT_EQ(0x00030201u, At(0));
    EXPECT_EQ(0x00030217u, At(22));
    EXPECT_EQ(0x00030218u, At(23));
}

TEST_F(VisColors, HostileFilesAreReadSafely)
{
    {
        SCOPED_TRACE("one 1 MB line");
        std::string line;
        while (line.size() < (1u << 20)) line += "100,200,250,10,";  // 15 bytes, 17 to a read
        EXPECT_EQ(1, Read(line));
        ExpectTable(std::vector<COLORREF>(24, 0x00FAC864));
    }
    {
        SCOPED_TRACE("100,000 lines");
        std::string text;
        for (int i = 0; i < 100000; ++i) text += "9 8 7\n";
        EXPECT_EQ(1, Read(text));
        EXPECT_EQ(0x00070809u, At(0));
        EXPECT_EQ(0x00070809u, At(23));
    }
    {
        SCOPED_TRACE("binary garbage");
        EXPECT_EQ(1, Read(Junk(4711, 65536)));
        for (int i = 0; i < 24; ++i) {
            EXPECT_EQ(0u, At(i) & 0xFF000000u) << "entry " << i;
        }
    }
    {
        SCOPED_TRACE("digits beyond 32 bits");
        EXPECT_EQ(1, Read("99999999999999999999999999999999999999999,-99999999999999999999999,1\n"));
        EXPECT_EQ(0u, At(0) & 0xFF000000u);
        EXPECT_EQ(0x01u, At(0) >> 16);
    }
}

} // namespace
