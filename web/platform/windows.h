// The part of <windows.h> that the plug-in's readers, strip builder and
// analyser use, for the page's WebAssembly build: the same types and layouts
// as 32-bit Windows, with the drawing calls done on plain memory
// (memory_gdi.cpp) and the file calls on the page's in-memory files
// (memory_files.cpp). Only what those sources call is here.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
typedef int32_t LONG;
typedef uint32_t DWORD;
typedef uint32_t ULONG_PTR;
typedef size_t SIZE_T;
typedef DWORD COLORREF;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef char16_t WCHAR;
typedef void* HANDLE;
typedef void* HWND;
typedef void* HINSTANCE;
typedef void* HMODULE;
typedef void* HGDIOBJ;
typedef struct MemoryDC* HDC;
typedef struct MemoryBitmap* HBITMAP;

#ifndef NULL
#define NULL nullptr
#endif
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define CALLBACK
#define WINAPI

const UINT WM_USER = 0x0400;
const UINT WM_COPYDATA = 0x004A;

#define RGB(r, g, b) \
    (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<DWORD>(static_cast<BYTE>(g)) << 8) | \
                           (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(c) (static_cast<BYTE>(c))
#define GetGValue(c) (static_cast<BYTE>((c) >> 8))
#define GetBValue(c) (static_cast<BYTE>((c) >> 16))
const COLORREF CLR_INVALID = 0xFFFFFFFF;

#define CopyMemory(d, s, n) std::memcpy((d), (s), (n))
#define ZeroMemory(d, n) std::memset((d), 0, (n))

struct RECT {
    LONG left, top, right, bottom;
};
struct POINT {
    LONG x, y;
};
union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    long long QuadPart;
};

// Bitmaps: the layouts of the file format.
struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
// Only its size matters here: the longest info header a file may carry.
struct BITMAPV5HEADER {
    BITMAPINFOHEADER info;
    BYTE extension[84];
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
struct BITMAP {
    LONG bmType, bmWidth, bmHeight, bmWidthBytes;
    WORD bmPlanes, bmBitsPixel;
    void* bmBits;
};
struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the file's info header");
static_assert(sizeof(BITMAPV5HEADER) == 124, "the file's longest info header");

const DWORD BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
const UINT DIB_RGB_COLORS = 0;
const DWORD SRCCOPY = 0x00CC0020;
const DWORD BLACKNESS = 0x00000042;
const UINT IMAGE_BITMAP = 0;
const UINT LR_LOADFROMFILE = 0x0010;
const UINT LR_CREATEDIBSECTION = 0x2000;
const UINT GMEM_FIXED = 0;

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
HDC CreateCompatibleDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteDC(HDC dc);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectA(HANDLE object, int size, void* out);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
BOOL BitBlt(HDC to, int x, int y, int width, int height, HDC from, int fromX, int fromY, DWORD rop);
BOOL StretchBlt(HDC to, int x, int y, int width, int height, HDC from, int fromX, int fromY,
                int fromWidth, int fromHeight, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
BOOL GdiFlush();
HANDLE LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags);
HMODULE GetModuleHandleA(const char* name);
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
HANDLE GlobalAlloc(UINT flags, SIZE_T bytes);
HANDLE GlobalFree(HANDLE block);

// Files.
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
const DWORD GENERIC_READ = 0x80000000;
const DWORD FILE_SHARE_READ = 1, FILE_SHARE_WRITE = 2;
const DWORD OPEN_EXISTING = 3;
const DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
const DWORD FILE_BEGIN = 0;
const DWORD ERROR_FILE_NOT_FOUND = 2, ERROR_PATH_NOT_FOUND = 3;

HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE pattern);
BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* got, void* overlapped);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER to, LARGE_INTEGER* at, DWORD method);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL CloseHandle(HANDLE handle);
DWORD GetLastError();
UINT GetPrivateProfileIntA(const char* section, const char* key, int fallback, const char* path);

// Text: the page's ANSI code page is 1252.
const UINT CP_ACP = 0, CP_UTF8 = 65001;
const int CSTR_EQUAL = 2;
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int count, WCHAR* out,
                        int room);
int CompareStringOrdinal(const WCHAR* a, int aLength, const WCHAR* b, int bLength, BOOL ignoreCase);
BOOL IsDBCSLeadByte(BYTE c);
