// zelpin_skin_check's vis colours report: each line of viscolor.txt as read
// and the colour it stores, with the lines that store black, the components
// that wrap and the entries that keep the built-in colours.
#include "tools/skin_check.h"

#include <cstdio>
#include <cstring>

#include "skin/vis_color.h"

namespace skin_check {

namespace {

const int kColorCount = 24;
const int kLineBuffer = 256;    // the plug-in's line buffer, terminator included
const int kMostWarnings = 5;    // a cut line, missing numbers, three wrapped components
const size_t kWarningRoom = 96;

struct ColorLine {
    char text[kLineBuffer];
    bool cut;            // the line went on past the buffer
    VisColorLine got;
};

// The lines of a colour file as the plug-in reads them: at most 24 reads of
// at most 255 characters each.
class ColorLines {
public:
    explicit ColorLines(const char* path) : file(std::fopen(path, "r")) {}
    ~ColorLines() { if (file) std::fclose(file); }
    ColorLines(const ColorLines&) = delete;
    ColorLines& operator=(const ColorLines&) = delete;
    bool Open() const { return file != nullptr; }
    bool Next()
    {
        if (!file || index + 1 >= kColorCount || !std::fgets(line.text, sizeof line.text, file))
            return false;
        ++index;
        std::memcpy(shown, line.text, sizeof shown);
        const size_t length = std::strlen(line.text);
        line.cut = length > 0 && line.text[length - 1] != '\n' && !std::feof(file);
        line.got = ReadVisColorLine(line.text);
        return true;
    }
    // After the 24th read: whether the file goes on.
    bool More()
    {
        char rest[kLineBuffer];
        return file && index + 1 == kColorCount && std::fgets(rest, sizeof rest, file);
    }
    int Count() const { return index + 1; }

    ColorLine line;
    char shown[kLineBuffer];   // the line before the reader split it

private:
    FILE* file;
    int index = -1;
};

// Shows a line of a text file with its control and non-ASCII bytes escaped;
// the line feed that ends it is left out.
void PrintQuoted(const char* text)
{
    std::putchar('"');
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p == '\n' && p[1] == '\0') break;
        if (*p == '\r') std::printf("\\r");
        else if (*p == '\t') std::printf("\\t");
        else if (*p == '\n') std::printf("\\n");
        else if (*p == '"' || *p == '\\') std::printf("\\%c", *p);
        else if (*p < 32 || *p > 126) std::printf("\\x%02X", *p);
        else std::putchar(*p);
    }
    std::putchar('"');
}

const char* UseOf(int entry, char* out, size_t room)
{
    if (entry >= 2 && entry <= 17)
        std::snprintf(out, room, "bar %d", entry - 1);
    else
        std::snprintf(out, room, "%s", entry == 23 ? "peak" : "unused");
    return out;
}

// The warnings a line earns, each as the report words it; returns how many.
int LineWarnings(const ColorLine& line, char out[][kWarningRoom])
{
    static const char* const component[3] = {"red", "green", "blue"};
    const VisColorLine& got = line.got;
    const COLORREF stored = RGB(got.low[0], got.low[1], got.low[2]);
    int n = 0;
    if (line.cut)
        std::snprintf(out[n++], kWarningRoom,
                      "a line longer than 255 characters: the rest fills the next entry");
    if (got.numbers == 0)
        std::snprintf(out[n++], kWarningRoom, "no number on the line: stores black");
    else if (got.numbers < 3)
        std::snprintf(out[n++], kWarningRoom, "only %d of 3 components %s: the others are 0%s",
                      got.numbers, got.numbers == 1 ? "is a number" : "are numbers",
                      stored == 0 ? "; stores black" : "");
    for (int i = 0; i < 3; ++i)
        if (got.value[i] != got.low[i])
            std::snprintf(out[n++], kWarningRoom, "%s %d wraps to %u", component[i], got.value[i],
                          got.low[i]);
    return n;
}

void PrintColor(COLORREF c)
{
    char shown[16];
    std::snprintf(shown, sizeof shown, "%u,%u,%u", GetRValue(c), GetGValue(c), GetBValue(c));
    std::printf("%-13s", shown);
}

}  // namespace

void ReportColors(const char* path, bool read)
{
    char onDisk[MAX_PATH];
    NameOnDisk(path, "viscolor.txt", onDisk, sizeof onDisk);
    std::printf("\nVis colours: ");
    PrintFileName(onDisk, "viscolor.txt");

    VisColor table;
    if (table.ReadVisColors(path) == 0) {
        std::printf(" is missing: the built-in colours apply\n");
        return;
    }
    std::printf("%s\n", read ? "" : " (not read while Enable is 0)");
    ColorLines file(path);
    if (!file.Open()) return;

    int black = 0, wrapped = 0;
    std::printf("  entry  use     stored       line as read\n");
    while (file.Next()) {
        const int entry = file.Count() - 1;
        const VisColorLine& got = file.line.got;
        const COLORREF stored = RGB(got.low[0], got.low[1], got.low[2]);

        char use[16];
        std::printf("  %5d  %-7s ", entry, UseOf(entry, use, sizeof use));
        PrintColor(stored);
        PrintQuoted(file.shown);
        std::printf("\n");
        if (stored != table.colors[entry])
            std::printf("         differs from the table read: the file changed meanwhile\n");
        char warnings[kMostWarnings][kWarningRoom];
        const int n = LineWarnings(file.line, warnings);
        for (int i = 0; i < n; ++i) std::printf("         %s\n", warnings[i]);
        black += got.numbers < 3 && stored == 0 ? 1 : 0;
        wrapped += got.value[0] != got.low[0] || got.value[1] != got.low[1] ||
                   got.value[2] != got.low[2] ? 1 : 0;
    }
    const int lines = file.Count();
    const bool more = file.More();

    for (int entry = lines; entry < kColorCount; ++entry) {
        char use[16];
        std::printf("  %5d  %-7s ", entry, UseOf(entry, use, sizeof use));
        PrintColor(table.colors[entry]);
        std::printf("(the built-in colour: the file has only %d lines)\n", lines);
    }
    if (more) std::printf("  the lines after the 24th are not read\n");
    std::printf("  %d line%s store%s black, %d wrap%s a component, %d entr%s keep%s the built-in colour\n",
                black, black == 1 ? "" : "s", black == 1 ? "s" : "", wrapped,
                wrapped == 1 ? "s" : "", kColorCount - lines,
                kColorCount - lines == 1 ? "y" : "ies", kColorCount - lines == 1 ? "s" : "");
}

int CountColorWarnings(const char* path)
{
    ColorLines file(path);
    int warnings = 0;
    char unused[kMostWarnings][kWarningRoom];
    while (file.Next()) warnings += LineWarnings(file.line, unused);
    return warnings;
}

}  // namespace skin_check
