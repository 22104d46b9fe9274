#include "skin/profile_file.h"

#include <new>

namespace {

// Larger files are left to the platform's reads, so memory stays bounded.
const DWORD kLargestFile = 64 * 1024;
// The platform reads a number's text into 30 WCHARs, terminator included.
const size_t kNumberRoom = 30;
// Longer section or key names go to the platform's reads.
const int kLongestName = 64;

// The platform trims these around lines, names and values: ASCII white space
// and ^Z (an old end-of-file mark); no other Unicode space.
bool IsSpace(WCHAR c)
{
    return (c >= 0x09 && c <= 0x0D) || c == ' ' || c == 0x1A;
}

struct Span {
    const WCHAR* begin;
    const WCHAR* end;
};

Span Trimmed(Span s)
{
    while (s.begin < s.end && IsSpace(*s.begin)) ++s.begin;
    while (s.end > s.begin && IsSpace(s.end[-1])) --s.end;
    return s;
}

// Lines end at either line-end character; blank ones count for nothing.
Span NextLine(const WCHAR*& at, const WCHAR* end)
{
    const WCHAR* const begin = at;
    const WCHAR* stop = at;
    while (stop < end && *stop != '\n' && *stop != '\r') ++stop;
    at = stop < end ? stop + 1 : end;
    return Trimmed({begin, stop});
}

// "[name]": the name runs to the line's first ']', or to its end when it has
// none, trimmed; what follows the ']' is ignored. So Windows reads it
// (github.com/WelliSolutions/IniFileFormatReverseEngineering,
// SquareBracket_Tests.cs: "read parsing stops at first ]", "the closing
// square bracket is not needed"); Wine 8 runs the name to the last ']' and
// takes a line without one for a key.
bool IsHeader(Span line, Span* name)
{
    if (line.begin == line.end || *line.begin != '[') return false;
    const WCHAR* close = line.begin + 1;
    while (close < line.end && *close != ']') ++close;
    *name = Trimmed({line.begin + 1, close});
    return true;
}

// The platform keeps names and values as C strings: a NUL ends them.
Span ToNul(Span s)
{
    for (const WCHAR* p = s.begin; p < s.end; ++p)
        if (*p == 0) return {s.begin, p};
    return s;
}

bool Lookable(const char* name)
{
    int n = 0;
    while (name[n] && n < kLongestName) ++n;
    return n < kLongestName;
}

}  // namespace

bool SameProfileName(const WCHAR* name, int length, const char* ascii)
{
    for (int i = 0; i < length; ++i, ++ascii) {
        if (*ascii == '\0') return false;
        WCHAR c = name[i];
        char a = *ascii;
        if (c >= 'a' && c <= 'z') c = static_cast<WCHAR>(c - 'a' + 'A');
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (c != static_cast<unsigned char>(a)) return false;
    }
    return *ascii == '\0';
}

namespace {

bool SameName(Span name, const char* wanted)
{
    name = ToNul(name);
    return SameProfileName(name.begin, static_cast<int>(name.end - name.begin), wanted);
}

// A number's text after any leading space: one sign, a lowercase "0b", "0o"
// or "0x" prefix, then the digits of the base, 32 bits kept. Returns where
// the digits stop; *digits counts them.
template <typename Char>
const Char* ScanNumber(const Char* p, const Char* end, UINT* value, int* digits)
{
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    UINT base = 10;
    if (end - p >= 2 && p[0] == '0') {
        base = p[1] == 'b' ? 2 : p[1] == 'o' ? 8 : p[1] == 'x' ? 16 : 10;
        if (base != 10) p += 2;
    }
    UINT total = 0;
    *digits = 0;
    for (; p < end; ++p, ++*digits) {
        UINT digit = 36;
        if (*p >= '0' && *p <= '9') digit = *p - '0';
        else if (*p >= 'A' && *p <= 'Z') digit = *p - 'A' + 10;
        else if (*p >= 'a' && *p <= 'z') digit = *p - 'a' + 10;
        if (digit >= base) break;
        total = total * base + digit;
    }
    *value = negative ? 0u - total : total;
    return p;
}

// As RtlUnicodeStringToInteger with base 0: leading control characters and
// spaces skipped, then the number.
UINT ToInteger(const WCHAR* p, const WCHAR* end)
{
    while (p < end && *p <= ' ') ++p;
    UINT value;
    int digits;
    ScanNumber(p, end, &value, &digits);
    return value;
}

// A value in matching quotes loses them, and the text is cut to the
// platform's 29 characters. The platform drops the closing quote as the last
// character it kept whenever the quoted text fits in 30: with exactly 30, the
// quote already cut off, it drops a character of the value instead.
UINT ValueToInt(Span value, int fallback)
{
    value = ToNul(value);
    const WCHAR* v = value.begin;
    size_t length = value.end - value.begin;
    const bool quoted = length >= 2 && (*v == '"' || *v == '\'') && v[length - 1] == *v;
    if (quoted) {
        ++v;
        --length;
    }
    size_t kept = length < kNumberRoom - 1 ? length : kNumberRoom - 1;
    if (quoted && length <= kNumberRoom) --kept;
    return kept ? ToInteger(v, v + kept) : static_cast<UINT>(fallback);
}

bool HasFolder(const char* path)
{
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/') return true;
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) ++p;
    }
    return false;
}

}  // namespace

bool IsProfileNumber(const char* text)
{
    const char* end = text;
    while (*end) ++end;
    UINT value;
    int digits;
    return ScanNumber(text, end, &value, &digits) == end && digits > 0;
}

ProfileFile::ProfileFile(const char* path, const char* section)
    : path(path), section(section), source(Source::Missing), text(nullptr),
      sectionBegin(nullptr), sectionEnd(nullptr)
{
    if (!path) return;
    // A bare file name means a file in the Windows folder to the platform.
    source = Source::Platform;
    if (!HasFolder(path)) return;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            source = Source::Missing;
        return;
    }
    if (Load(file)) source = Source::Memory;
    CloseHandle(file);
}

ProfileFile::~ProfileFile()
{
    delete[] text;
}

// One block holds the file's bytes behind room for their UTF-16 text: no
// character set turns a byte into more than one UTF-16 unit.
bool ProfileFile::Load(HANDLE file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > kLargestFile) return false;
    const DWORD bytes = static_cast<DWORD>(size.QuadPart);
    if (bytes == 0) return true;
    text = new (std::nothrow) WCHAR[bytes + (bytes + 1) / 2];
    if (!text) return false;
    char* raw = reinterpret_cast<char*>(text + bytes);
    DWORD got = 0;
    return ReadFile(file, raw, bytes, &got, nullptr) && got == bytes && Decode(raw, bytes);
}

// UTF-16 files are left to the platform; every other file is text in the
// ANSI code page. Windows takes no UTF-8 byte-order mark: its bytes are the
// first line's first characters, so a section named there is none
// (IniFileFormatReverseEngineering, UTF8_Tests.cs: "the first line is
// broken"). Wine 8 reads such a file as UTF-8.
bool ProfileFile::Decode(const char* bytes, DWORD size)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    if (size >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)))
        return false;
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), text,
                                           static_cast<int>(size));
    if (length <= 0) return false;
    return FindSection(text + length);
}

// Only the first section of the name counts: the platform never looks into
// a later one of the same name. False for a section name too long to look for.
bool ProfileFile::FindSection(const WCHAR* end)
{
    if (!Lookable(section)) return false;
    for (const WCHAR* at = text; at < end;) {
        const WCHAR* lineStart = at;
        Span name;
        if (!IsHeader(NextLine(at, end), &name)) continue;
        if (sectionBegin) {
            sectionEnd = lineStart;
            return true;
        }
        if (SameName(name, section)) sectionBegin = at;
    }
    if (sectionBegin) sectionEnd = end;
    return true;
}

UINT ProfileFile::Int(const char* key, int fallback) const
{
    if (source == Source::Missing) return static_cast<UINT>(fallback);
    if (source == Source::Platform || !Lookable(key))
        return GetPrivateProfileIntA(section, key, fallback, path);

    for (const WCHAR* at = sectionBegin; at < sectionEnd;) {
        const Span line = NextLine(at, sectionEnd);
        const WCHAR* equals = line.begin;
        while (equals < line.end && *equals != '=') ++equals;
        if (!SameName(Trimmed({line.begin, equals}), key)) continue;
        // The first key of the name decides, even when it has no value.
        if (equals == line.end) return static_cast<UINT>(fallback);
        return ValueToInt(Trimmed({equals + 1, line.end}), fallback);
    }
    return static_cast<UINT>(fallback);
}
