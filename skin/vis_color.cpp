#include "skin/vis_color.h"

#include <cstdio>
#include <cstring>

const COLORREF defaultVisColors[kVisColorCount] = {
    0x00000000, 0x00292118, 0x001031EF, 0x001029CE, 0x00005AD6, 0x000066D6,
    0x000073D6, 0x00087BC6, 0x0018A5DE, 0x0021B5D6, 0x0029DEBD, 0x0021DE94,
    0x0010CE29, 0x0010BE32, 0x0010B539, 0x00089C31, 0x00009429, 0x00088418,
    0x00FFFFFF, 0x00DED6D6, 0x00BDBDB5, 0x00AFAAA0, 0x00A59C94, 0x00969696,
};

namespace {

bool IsAtoiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi's syntax (leading white space, a sign, digits up to the first other
// character, so a trailing carriage return ends the number). The low byte is
// computed in unsigned arithmetic, exact however long the digits run; the
// value as read is held at the 32-bit limits. No locale or character-class
// lookups on bytes above 127.
void ConvertComponent(const char* token, int* value, unsigned char* low, bool* isNumber)
{
    while (IsAtoiSpace(*token)) {
        ++token;
    }
    bool negative = false;
    if (*token == '+' || *token == '-') {
        negative = *token == '-';
        ++token;
    }
    const unsigned long long limit = negative ? 2147483648ull : 2147483647ull;
    unsigned long long magnitude = 0;
    unsigned int lowByte = 0;
    *isNumber = *token >= '0' && *token <= '9';
    for (; *token >= '0' && *token <= '9'; ++token) {
        const unsigned int digit = static_cast<unsigned int>(*token - '0');
        lowByte = (lowByte * 10u + digit) & 0xFFu;
        magnitude = magnitude * 10u + digit;
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    *low = static_cast<unsigned char>(negative ? (0u - lowByte) & 0xFFu : lowByte);
    *value = negative ? static_cast<int>(-static_cast<long long>(magnitude))
                      : static_cast<int>(magnitude);
}

} // namespace

VisColorLine ReadVisColorLine(char* line)
{
    VisColorLine read = {0, 0, {0, 0, 0}, {0, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        const char* token = std::strtok(i == 0 ? line : nullptr, " ,\t\n");
        if (!token) {
            break;
        }
        bool isNumber = false;
        ConvertComponent(token, &read.value[i], &read.low[i], &isNumber);
        read.tokens = i + 1;
        read.numbers += isNumber ? 1 : 0;
    }
    return read;
}

VisColor::VisColor()
{
    std::memcpy(colors, defaultVisColors, sizeof(colors));
}

int VisColor::ReadVisColors(const char* path)
{
    std::memcpy(colors, defaultVisColors, sizeof(colors));

    FILE* file = std::fopen(path, "r");
    if (!file) {
        return 0;
    }
    ReadVisColorLines(file);
    std::fclose(file);
    return 1;
}

void VisColor::ReadVisColorLines(std::FILE* file, VisColorLineHook hook, void* context)
{
    // Every read fills one entry, whatever it holds: an empty line is black
    // and a line longer than the buffer fills several entries.
    char line[256];
    char asRead[sizeof(line)];
    for (int n = 0; n < kVisColorCount && std::fgets(line, sizeof(line), file); ++n) {
        if (hook) {
            std::memcpy(asRead, line, sizeof(line));
        }
        const VisColorLine read = ReadVisColorLine(line);
        colors[n] = RGB(read.low[0], read.low[1], read.low[2]);
        if (hook) {
            hook(context, n, asRead, read);
        }
    }
}
