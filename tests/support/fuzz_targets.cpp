#include "tests/support/fuzz_targets.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/bmp_check.h"
#include "skin/skin_locator.h"
#include "skin/vis_color.h"

namespace {

unsigned long long Little(const unsigned char* p, int bytes)
{
    unsigned long long v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// What a loader that believes the headers reads: the colour table, the
// pixels and a named colour profile. Worked out here from the format's
// definition, apart from the check.
std::string BitmapExtentsFit(const unsigned char* d, size_t size)
{
    if (size < 18)
        return "accepted a file of " + std::to_string(size) + " bytes";
    const unsigned long long infoSize = Little(d + 14, 4);
    if (size < 14 + infoSize)
        return "accepted a file shorter than its info header";
    const unsigned long long offBits = Little(d + 10, 4);
    long long width, height, bitCount, tableEnd, pixelBytes = -1;
    if (infoSize == 12) {
        width = Little(d + 18, 2);
        height = Little(d + 20, 2);
        bitCount = Little(d + 24, 2);
        tableEnd = 14 + 12 + (bitCount <= 8 ? 3LL << bitCount : 0);
    } else {
        width = static_cast<int>(Little(d + 18, 4));
        height = std::llabs(static_cast<int>(Little(d + 22, 4)));
        bitCount = Little(d + 28, 2);
        const unsigned long long compression = Little(d + 30, 4);
        const unsigned long long clrUsed = Little(d + 46, 4);
        const long long colours = clrUsed ? clrUsed : bitCount <= 8 ? 1LL << bitCount : 0;
        const long long masks = compression == BI_BITFIELDS && infoSize == 40 ? 12 : 0;
        tableEnd = 14 + infoSize + masks + 4 * colours;
        if (compression == BI_RLE8 || compression == BI_RLE4)
            pixelBytes = Little(d + 34, 4);
        if (infoSize == 124) {
            const unsigned long long csType = Little(d + 70, 4);
            if ((csType == 0x4C494E4B || csType == 0x4D424544) &&
                14 + Little(d + 126, 4) + Little(d + 130, 4) > size)
                return "accepted a colour profile past the end";
        }
    }
    if (width <= 0 || height <= 0)
        return "accepted " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (pixelBytes < 0)
        pixelBytes = (width * bitCount + 31) / 32 * 4 * height;
    const long long start = offBits ? static_cast<long long>(offBits) : tableEnd;
    if (tableEnd > static_cast<long long>(size) || start + pixelBytes > static_cast<long long>(size))
        return "accepted a file of " + std::to_string(size) + " bytes whose colour table ends at " +
               std::to_string(tableEnd) + " and pixels at " + std::to_string(start + pixelBytes);
    return "";
}

std::string FuzzBitmapCheck(const unsigned char* data, size_t size)
{
    const size_t head = size < kBitmapHeadSize ? size : kBitmapHeadSize;
    const int sound = BitmapHeadLooksSound(data, head, static_cast<long long>(size));
    // The check decides on the head alone: the rest of the file changes nothing.
    if (BitmapHeadLooksSound(data, size, static_cast<long long>(size)) != sound)
        return "the verdict depends on bytes past the head";
    return sound ? BitmapExtentsFit(data, size) : "";
}

// The bytes as a text stream, as "viscolor.txt" is opened.
std::FILE* TextStream(const unsigned char* data, size_t size)
{
#ifdef _WIN32
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    std::snprintf(path + std::strlen(path), 40, "zelpin-fuzz-%lu.txt", GetCurrentProcessId());
    std::FILE* out = std::fopen(path, "wb");
    if (!out)
        return nullptr;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    return std::fopen(path, "r");
#else
    static const char empty[1] = {'\0'};
    return size ? fmemopen(const_cast<unsigned char*>(data), size, "r")
                : fmemopen(const_cast<char*>(empty), 0, "r");
#endif
}

// The line reader against the C library's own conversion of each token.
std::string LineReadsAsAtoi(std::vector<char> line)
{
    std::vector<char> copy = line;
    const VisColorLine got = ReadVisColorLine(line.data());
    int tokens = 0;
    int numbers = 0;
    for (char* token = std::strtok(copy.data(), " ,\t\n"); token && tokens < 3;
         token = std::strtok(nullptr, " ,\t\n"), ++tokens) {
        const char* digits = token + std::strspn(token, " \t\n\v\f\r");
        const bool negative = *digits == '-';
        digits += *digits == '+' || *digits == '-';
        const size_t length = std::strspn(digits, "0123456789");
        numbers += length > 0;
        const size_t significant = length - std::strspn(digits, "0");
        const std::string where = " (token " + std::to_string(tokens) + " \"" + token + "\")";
        if (significant > 18) {
            if (got.value[tokens] != (negative ? INT_MIN : INT_MAX))
                return "value " + std::to_string(got.value[tokens]) + " not held at the limit" + where;
            continue;
        }
        const long long exact = std::strtoll(token, nullptr, 10);
        const long long held = exact > INT_MAX ? INT_MAX : exact < INT_MIN ? INT_MIN : exact;
        if (got.value[tokens] != held ||
            got.low[tokens] != (static_cast<unsigned long long>(exact) & 0xFF))
            return "value " + std::to_string(got.value[tokens]) + " low " +
                   std::to_string(got.low[tokens]) + ", atoi gives " + std::to_string(exact) + where;
    }
    if (got.tokens != tokens || got.numbers != numbers)
        return "tokens " + std::to_string(got.tokens) + " numbers " + std::to_string(got.numbers) +
               ", expected " + std::to_string(tokens) + " and " + std::to_string(numbers);
    return "";
}

std::string FuzzVisColors(const unsigned char* data, size_t size)
{
    VisColor table;
    std::FILE* stream = TextStream(data, size);
    if (!stream)
        return "";
    table.ReadVisColorLines(stream);
    std::fclose(stream);
    for (int i = 0; i < 24; ++i)
        if (table.colors[i] >> 24)
            return "entry " + std::to_string(i) + " holds " + std::to_string(table.colors[i]);
    // The whole input as one line, however long.
    std::vector<char> line(data, data + size);
    line.push_back('\0');
    return LineReadsAsAtoi(line);
}

// A path buffer of the platform's size; a byte past it is an overrun.
struct PathBuffer {
    char text[MAX_PATH];
    char guard = 0x5A;
};

std::string Terminated(const PathBuffer& b, const char* what)
{
    if (b.guard != 0x5A || !std::memchr(b.text, '\0', MAX_PATH))
        return std::string(what) + " ran past its buffer";
    return "";
}

// The platform hands over text in whole characters of its code page: a lead
// byte at the very end (the one place where it has no second byte) is cut.
std::string WholeCharacters(std::string s, UINT codePage)
{
    size_t i = 0;
    while (i < s.size())
        i += IsDBCSLeadByteEx(codePage, static_cast<BYTE>(s[i])) ? 2 : 1;
    if (i > s.size())
        s.pop_back();
    return s;
}

// The first byte picks a single-byte or a double-byte code page; the rest
// holds the player's "SkinDir" value and its executable's path, split at the
// first NUL. The Skins folder and the path of a skin's main bitmap are built
// from them as the locators build them.
std::string FuzzSkinPaths(const unsigned char* data, size_t size)
{
    if (size == 0)
        return "";
    const UINT codePage = data[0] & 1 ? 932 : 1252;
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = rest.find('\0');
    const std::string skinDir = WholeCharacters(rest.substr(0, split), codePage);
    const std::string exePath = WholeCharacters(
        split == std::string::npos ? "" : rest.substr(split + 1).c_str(), codePage);

    PathBuffer ini, folder, bitmap;
    IniPathForExe(exePath.c_str(), codePage, ini.text);
    std::string fault = Terminated(ini, "the ini path");
    if (!fault.empty())
        return fault;
    const size_t iniLength = std::strlen(ini.text);
    if (iniLength && (iniLength < 4 || std::strcmp(ini.text + iniLength - 4, ".ini") != 0))
        return "ini path \"" + std::string(ini.text) + "\" does not end in .ini";

    SkinsFolderFor(skinDir.c_str(), exePath.c_str(), codePage, folder.text);
    fault = Terminated(folder, "the Skins folder");
    if (!fault.empty())
        return fault;
    if (folder.text[0] && !EndsInBackslash(folder.text, codePage))
        return "Skins folder \"" + std::string(folder.text) + "\" does not end in a backslash";

    // The skin's name is whatever its folder is called: here the SkinDir bytes.
    bitmap.text[0] = '\0';
    const bool fits = AppendToPath(bitmap.text, folder.text) && AppendToPath(bitmap.text, "\\") &&
                      AppendToPath(bitmap.text, skinDir.c_str()) &&
                      AppendToPath(bitmap.text, "\\main.BMP");
    fault = Terminated(bitmap, "the bitmap path");
    if (!fault.empty())
        return fault;
    const std::string whole = std::string(folder.text) + "\\" + skinDir + "\\main.BMP";
    if (fits != (whole.size() < MAX_PATH) || (fits && whole != bitmap.text))
        return "bitmap path \"" + std::string(bitmap.text) + "\" for \"" + whole + "\"";
    return "";
}

}  // namespace

const FuzzTarget fuzzTargets[3] = {
    {"bmp_check", FuzzBitmapCheck},
    {"vis_color", FuzzVisColors},
    {"skin_path", FuzzSkinPaths},
};
