// The platform calls that the readers' source files name, for the native
// build. The readers under test call only the character ones, given here for
// a single-byte code page and for code page 932 (double-byte: a lead byte
// 0x81..0x9F or 0xE0..0xFC takes the next byte with it); the rest belong to
// file and window access that the targets never reach.
#include <windows.h>

#include <cstdlib>

BOOL WINAPI IsDBCSLeadByteEx(UINT codePage, BYTE c)
{
    return codePage == 932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

LPSTR WINAPI CharNextExA(WORD codePage, LPCSTR p, DWORD)
{
    if (!*p)
        return const_cast<LPSTR>(p);
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(*p)) && p[1])
        return const_cast<LPSTR>(p + 2);
    return const_cast<LPSTR>(p + 1);
}

LPSTR WINAPI CharPrevExA(WORD codePage, LPCSTR start, LPCSTR p, DWORD flags)
{
    while (*start && start < p) {
        LPCSTR next = CharNextExA(codePage, start, flags);
        if (next >= p)
            break;
        start = next;
    }
    return const_cast<LPSTR>(start);
}

HANDLE WINAPI CreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) { std::abort(); }
BOOL WINAPI GetFileSizeEx(HANDLE, PLARGE_INTEGER) { std::abort(); }
BOOL WINAPI ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) { std::abort(); }
BOOL WINAPI CloseHandle(HANDLE) { std::abort(); }
DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR, DWORD) { std::abort(); }
INT WINAPI GetPrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR, LPSTR, UINT, LPCSTR) { std::abort(); }
LONG_PTR WINAPI GetWindowLongPtrA(HWND, INT) { std::abort(); }
BOOL WINAPI GetWindowRect(HWND, LPRECT) { std::abort(); }
BOOL WINAPI SetRectEmpty(LPRECT) { std::abort(); }
LRESULT WINAPI SendMessageA(HWND, UINT, WPARAM, LPARAM) { std::abort(); }
