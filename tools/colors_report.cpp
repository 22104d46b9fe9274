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

void PrintColor(COLORREF c)
{
    char shown[16];
    std::snprintf(shown, sizeof shown, "%u,%u,%u", GetRValue(c), GetGValue(c), GetBValue(c));
    std::printf("%-13s", shown);
}

}  // namespace

void ReportColors(const char* path, bool read)
{
    static const char* const component[3] = {"red", "green", "blue"};
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
    FILE* file = std::fopen(path, "r");
    if (!file) return;

    int black = 0, wrapped = 0, lines = 0;
    char line[kLineBuffer];
    std::printf("  entry  use     stored       line as read\n");
    for (; lines < kColorCount && std::fgets(line, sizeof line, file); ++lines) {
        char shown[kLineBuffer];
        std::memcpy(shown, line, sizeof shown);
        const size_t length = std::strlen(line);
        const bool cut = length > 0 && line[length - 1] != '\n' && !std::feof(file);
        const VisColorLine got = ReadVisColorLine(line);
        const COLORREF stored = RGB(got.low[0], got.low[1], got.low[2]);

        char use[16];
        std::printf("  %5d  %-7s ", lines, UseOf(lines, use, sizeof use));
        PrintColor(stored);
        PrintQuoted(shown);
        std::printf("\n");
        if (stored != table.colors[lines])
            std::printf("         differs from the table read: the file changed meanwhile\n");
        if (cut)
            std::printf("         a line longer than 255 characters: the rest fills the next entry\n");
        if (got.numbers == 0) {
            std::printf("         no number on the line: stores black\n");
            ++black;
        } else if (got.numbers < 3) {
            std::printf("         only %d of 3 components %s: the others are 0%s\n", got.numbers,
                        got.numbers == 1 ? "is a number" : "are numbers",
                        stored == 0 ? "; stores black" : "");
            black += stored == 0 ? 1 : 0;
        }
        bool wraps = false;
        for (int i = 0; i < 3; ++i) {
            if (got.value[i] != got.low[i]) {
                std::printf("         %s %d wraps to %u\n", component[i], got.value[i], got.low[i]);
                wraps = true;
            }
        }
        wrapped += wraps ? 1 : 0;
    }
    const bool more = lines == kColorCount && std::fgets(line, sizeof line, file);
    std::fclose(file);

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

}  // namespace skin_check
