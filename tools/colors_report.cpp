// zelpin_skin_check's vis colours report: each line of viscolor.txt as read
// and the colour it stores, with the lines that store black, the components
// that wrap and the entries that keep the built-in colours.
#include "tools/skin_check.h"

#include <cstdio>
#include <cstring>

#include "skin/vis_color.h"

namespace skin_check {

namespace {

const int kMostWarnings = 5;    // a cut line, missing numbers, three wrapped components
const size_t kWarningRoom = 96;

struct ColorLine {
    char text[256];      // as read, before the reader split it
    bool cut;            // the line went on past the plug-in's line buffer
    VisColorLine got;
};

// The lines of a colour file as the plug-in's own reading loop reads them,
// told line by line through its hook.
class ColorLines {
public:
    explicit ColorLines(const char* path) : file(std::fopen(path, "r"))
    {
        if (file) table.ReadVisColorLines(file, Take, this);
    }
    ~ColorLines() { if (file) std::fclose(file); }
    ColorLines(const ColorLines&) = delete;
    ColorLines& operator=(const ColorLines&) = delete;
    bool Open() const { return file != nullptr; }
    // After a full table: whether the file goes on.
    bool More()
    {
        char rest[sizeof lines[0].text];
        return file && count == kVisColorCount && std::fgets(rest, sizeof rest, file);
    }

    VisColor table;
    ColorLine lines[kVisColorCount];
    int count = 0;

private:
    static void Take(void* context, int entry, const char* text, const VisColorLine& got)
    {
        ColorLines* self = static_cast<ColorLines*>(context);
        ColorLine& line = self->lines[entry];
        std::memcpy(line.text, text, sizeof line.text);
        const size_t length = std::strlen(text);
        line.cut = length > 0 && text[length - 1] != '\n' && !std::feof(self->file);
        line.got = got;
        self->count = entry + 1;
    }

    FILE* file;
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
    if (entry >= kFirstBarColor && entry < kFirstBarColor + kBarColorCount)
        std::snprintf(out, room, "bar %d", entry - kFirstBarColor + 1);
    else
        std::snprintf(out, room, "%s", entry == kPeakColor ? "peak" : "unused");
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

    ColorLines file(path);
    if (!file.Open()) {
        std::printf(" is missing: the built-in colours apply\n");
        return;
    }
    std::printf("%s\n", read ? "" : " (not read while Enable is 0)");

    int black = 0, wrapped = 0;
    std::printf("  entry  use     stored       line as read\n");
    for (int entry = 0; entry < file.count; ++entry) {
        const ColorLine& line = file.lines[entry];
        const VisColorLine& got = line.got;
        char use[16];
        std::printf("  %5d  %-7s ", entry, UseOf(entry, use, sizeof use));
        PrintColor(file.table.colors[entry]);
        PrintQuoted(line.text);
        std::printf("\n");
        char warnings[kMostWarnings][kWarningRoom];
        const int n = LineWarnings(line, warnings);
        for (int i = 0; i < n; ++i) std::printf("         %s\n", warnings[i]);
        black += got.numbers < 3 && file.table.colors[entry] == 0 ? 1 : 0;
        wrapped += got.value[0] != got.low[0] || got.value[1] != got.low[1] ||
                   got.value[2] != got.low[2] ? 1 : 0;
    }
    const int lines = file.count;
    for (int entry = lines; entry < kVisColorCount; ++entry) {
        char use[16];
        std::printf("  %5d  %-7s ", entry, UseOf(entry, use, sizeof use));
        PrintColor(file.table.colors[entry]);
        std::printf("(the built-in colour: the file has only %d lines)\n", lines);
    }
    if (file.More()) std::printf("  the lines after the 24th are not read\n");
    // Lines that say "0,0,0" mean black; only those without three numbers
    // store it by mistake.
    std::printf("  %d line%s without three numbers store%s black by mistake, %d wrap%s a component,"
                " %d entr%s keep%s the built-in colour\n",
                black, black == 1 ? "" : "s", black == 1 ? "s" : "", wrapped,
                wrapped == 1 ? "s" : "", kVisColorCount - lines,
                kVisColorCount - lines == 1 ? "y" : "ies", kVisColorCount - lines == 1 ? "s" : "");
}

int CountColorWarnings(const char* path)
{
    ColorLines file(path);
    int warnings = 0;
    char unused[kMostWarnings][kWarningRoom];
    for (int entry = 0; entry < file.count; ++entry)
        warnings += LineWarnings(file.lines[entry], unused);
    return warnings;
}

}  // namespace skin_check
