// The file and text calls of web/platform/windows.h: files are the page's
// in-memory files (the C library's streams), and the ANSI code page is 1252.
#include <windows.h>

#include <cerrno>
#include <cstdio>

namespace {

DWORD lastError = 0;

std::FILE* Stream(HANDLE file)
{
    return static_cast<std::FILE*>(file);
}

// Code page 1252 where it differs from Latin-1: bytes 0x80..0x9F (the five
// it leaves undefined map to the same control code, as the platform maps them).
const WCHAR kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// One UTF-8 sequence from b (n bytes left): its code point, or U+FFFD for a
// byte that starts no valid sequence, which then counts one byte.
char32_t NextUtf8(const unsigned char* b, int n, int* used)
{
    *used = 1;
    const unsigned char c = b[0];
    int length = c < 0x80 ? 1 : (c >= 0xC2 && c < 0xE0) ? 2 : (c >= 0xE0 && c < 0xF0) ? 3
                : (c >= 0xF0 && c < 0xF5) ? 4 : 0;
    if (length == 1) return c;
    if (length == 0 || length > n) return 0xFFFD;
    char32_t code = c & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((b[i] & 0xC0) != 0x80) return 0xFFFD;
        code = (code << 6) | (b[i] & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are invalid.
    const char32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) return 0xFFFD;
    *used = length;
    return code;
}

}  // namespace

HANDLE CreateFileA(const char* path, DWORD, DWORD, void*, DWORD, DWORD, HANDLE)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        lastError = errno == ENOENT ? ERROR_FILE_NOT_FOUND : 5;
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* got, void*)
{
    *got = static_cast<DWORD>(std::fread(buffer, 1, size, Stream(file)));
    return !std::ferror(Stream(file));
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER to, LARGE_INTEGER* at, DWORD)
{
    if (to.QuadPart < 0 || to.QuadPart > LONG_MAX ||
        std::fseek(Stream(file), static_cast<long>(to.QuadPart), SEEK_SET) != 0)
        return FALSE;
    if (at) at->QuadPart = to.QuadPart;
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size)
{
    std::FILE* f = Stream(file);
    const long at = std::ftell(f);
    if (at < 0 || std::fseek(f, 0, SEEK_END) != 0) return FALSE;
    size->QuadPart = std::ftell(f);
    return std::fseek(f, at, SEEK_SET) == 0;
}

BOOL CloseHandle(HANDLE handle)
{
    return std::fclose(Stream(handle)) == 0;
}

DWORD GetLastError()
{
    return lastError;
}

// Reached only for settings files the plug-in leaves to the platform (UTF-16
// or larger than 64 KiB): the page has no such reader, so every key takes its
// default, and the page says so (zelpin_web.cpp).
UINT GetPrivateProfileIntA(const char*, const char*, int fallback, const char*)
{
    return static_cast<UINT>(fallback);
}

int MultiByteToWideChar(UINT codePage, DWORD, const char* bytes, int count, WCHAR* out, int room)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    int written = 0;
    for (int i = 0; i < count;) {
        char32_t code = b[i];
        int used = 1;
        if (codePage == CP_UTF8) code = NextUtf8(b + i, count - i, &used);
        else if (code >= 0x80 && code < 0xA0) code = kCp1252High[code - 0x80];
        i += used;
        const int units = code > 0xFFFF ? 2 : 1;
        if (written + units > room) return 0;
        if (units == 2) {
            out[written++] = static_cast<WCHAR>(0xD800 + ((code - 0x10000) >> 10));
            out[written++] = static_cast<WCHAR>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out[written++] = static_cast<WCHAR>(code);
        }
    }
    return written;
}

// The names compared are ASCII on the plug-in's side, so folding a..z is all
// that can make two names equal.
int CompareStringOrdinal(const WCHAR* a, int aLength, const WCHAR* b, int bLength, BOOL ignoreCase)
{
    auto fold = [ignoreCase](WCHAR c) {
        return ignoreCase && c >= 'a' && c <= 'z' ? static_cast<WCHAR>(c - 'a' + 'A') : c;
    };
    if (aLength != bLength) return aLength < bLength ? 1 : 3;
    for (int i = 0; i < aLength; ++i) {
        const WCHAR x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? 1 : 3;
    }
    return CSTR_EQUAL;
}

BOOL IsDBCSLeadByte(BYTE)
{
    return FALSE;
}
