#include "tests/test_failure_loops/failure_points.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "tests/support/import_table.h"

namespace {

// What the wrappers share; every access holds the lock, as the library
// calls from the render thread, the host window's thread and its own.
struct State {
    State() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    bool armed = false;
    bool waiting = false;   // for startAt
    long failAt = 0;
    bool fromThenOn = false;
    FailingCall startAt = kNoCall;
    FailingCall stopAt = kNoCall;
    long allocations = 0;
    Failures failures;
    std::set<const void*> held[kResources];
};

State& S()
{
    static State state;
    return state;
}

class Locked {
public:
    Locked() { EnterCriticalSection(&S().lock); }
    ~Locked() { LeaveCriticalSection(&S().lock); }
};

// Counts the call; true when it is to fail.
bool Fails(FailingCall call)
{
    Locked locked;
    State& s = S();
    if (s.armed && call == s.stopAt) s.armed = false;
    if (s.waiting && call == s.startAt) {
        s.waiting = false;
        s.armed = true;
    }
    if (!s.armed) return false;
    s.failures.calls.push_back(call);
    const long n = static_cast<long>(s.failures.calls.size());
    if (IsAllocation(call)) ++s.allocations;
    const bool fail = n == s.failAt || (s.fromThenOn && n >= s.failAt);
    if (fail) s.failures.failed.push_back({call, IsAllocation(call) ? s.allocations : 0});
    return fail;
}

template <typename T>
T Take(Resource resource, T thing, T none)
{
    if (thing != none) {
        Locked locked;
        S().held[resource].insert(reinterpret_cast<const void*>(thing));
    }
    return thing;
}

template <typename T>
void Give(Resource resource, T thing)
{
    Locked locked;
    S().held[resource].erase(reinterpret_cast<const void*>(thing));
}

// The function each import pointed at before the patch, by slot.
enum Slot {
    kFree = kNoCall,
    kGlobalFree,
    kDeleteObject,
    kDeleteDC,
    kReleaseDC,
    kCloseHandle,
    kFclose,
    kFindClose,
    kUnhookWindowsHookEx,
    kSlots,
};
void* real[kSlots];

// The real function of a slot, with the wrapper's own type (calling
// convention included).
#define REAL(slot, wrapper) reinterpret_cast<decltype(&wrapper)>(real[slot])

// A call that takes something: failed as the real function reports a failure
// (errno for the C runtime, the last error for the platform), or made, and
// what it gave tallied as held. Error 0: the function reports none.
template <typename T, typename Real>
T Taking(FailingCall call, Resource resource, T failed, int error, Real real)
{
    if (Fails(call)) {
        if (IsAllocation(call) || call == kFopen)
            errno = error;
        else if (error)
            SetLastError(static_cast<DWORD>(error));
        return failed;
    }
    return Take(resource, real(), failed);
}

// The calls that take something and need nothing more, a row each: the
// wrapper's name and type, what it fails with, its parameters and the
// arguments it passes on.
#define TAKING(wrapper, call, resource, Result, convention, failed, error, Params, Args)           \
    Result convention wrapper Params                                                             \
    {                                                                                            \
        return Taking<Result>(call, resource, failed, error,                                     \
                              [&] { return REAL(call, wrapper) Args; });                         \
    }

TAKING(Malloc, kMalloc, kHeapBlocks, void*, __cdecl, nullptr, ENOMEM, (size_t size), (size))
TAKING(Calloc, kCalloc, kHeapBlocks, void*, __cdecl, nullptr, ENOMEM, (size_t count, size_t size),
       (count, size))
TAKING(Fopen, kFopen, kStreams, FILE*, __cdecl, nullptr, EMFILE,
       (const char* name, const char* mode), (name, mode))
TAKING(GlobalAllocWrapper, kGlobalAlloc, kGlobalBlocks, HGLOBAL, WINAPI, nullptr,
       ERROR_NOT_ENOUGH_MEMORY, (UINT flags, SIZE_T size), (flags, size))
TAKING(LoadImageAWrapper, kLoadImageA, kDrawingObjects, HANDLE, WINAPI, nullptr,
       ERROR_NOT_ENOUGH_MEMORY,
       (HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags),
       (instance, name, type, cx, cy, flags))
TAKING(CreateCompatibleDCWrapper, kCreateCompatibleDC, kMemoryDCs, HDC, WINAPI, nullptr, 0,
       (HDC dc), (dc))
TAKING(GetDCWrapper, kGetDC, kWindowDCs, HDC, WINAPI, nullptr, 0, (HWND window), (window))
TAKING(CreateFileAWrapper, kCreateFileA, kFiles, HANDLE, WINAPI, INVALID_HANDLE_VALUE,
       ERROR_TOO_MANY_OPEN_FILES,
       (LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
        DWORD flags, HANDLE templateFile),
       (name, access, share, security, disposition, flags, templateFile))
TAKING(FindFirstFileAWrapper, kFindFirstFileA, kListings, HANDLE, WINAPI, INVALID_HANDLE_VALUE,
       ERROR_NOT_ENOUGH_MEMORY, (LPCSTR pattern, LPWIN32_FIND_DATAA found), (pattern, found))
TAKING(SetWindowsHookExAWrapper, kSetWindowsHookExA, kHooks, HHOOK, WINAPI, nullptr,
       ERROR_NOT_ENOUGH_MEMORY, (int kind, HOOKPROC procedure, HINSTANCE module, DWORD thread),
       (kind, procedure, module, thread))

// A failed reallocation leaves the old block as it was.
void* __cdecl Realloc(void* old, size_t size)
{
    return Taking<void*>(kRealloc, kHeapBlocks, nullptr, ENOMEM, [&] {
        void* block = REAL(kRealloc, Realloc)(old, size);
        if (block || size == 0) Give(kHeapBlocks, old);
        return block;
    });
}

HBITMAP WINAPI CreateDIBSectionWrapper(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                       HANDLE section, DWORD offset)
{
    if (bits) *bits = nullptr;
    return Taking<HBITMAP>(kCreateDIBSection, kDrawingObjects, nullptr, ERROR_NOT_ENOUGH_MEMORY, [&] {
        return REAL(kCreateDIBSection, CreateDIBSectionWrapper)(dc, info, usage, bits, section, offset);
    });
}

// Reading takes nothing.
BOOL WINAPI ReadFileWrapper(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got,
                            LPOVERLAPPED overlapped)
{
    if (Fails(kReadFile)) {
        if (got) *got = 0;
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    return REAL(kReadFile, ReadFileWrapper)(file, buffer, size, got, overlapped);
}

// The counterparts: what they give back is no longer held.
#define GIVING(wrapper, slot, resource, Result, convention, Thing)                                 \
    Result convention wrapper(Thing thing)                                                        \
    {                                                                                              \
        Give(resource, thing);                                                                     \
        return REAL(slot, wrapper)(thing);                                                         \
    }

GIVING(Free, kFree, kHeapBlocks, void, __cdecl, void*)
GIVING(Fclose, kFclose, kStreams, int, __cdecl, FILE*)
GIVING(GlobalFreeWrapper, kGlobalFree, kGlobalBlocks, HGLOBAL, WINAPI, HGLOBAL)
GIVING(DeleteObjectWrapper, kDeleteObject, kDrawingObjects, BOOL, WINAPI, HGDIOBJ)
GIVING(DeleteDCWrapper, kDeleteDC, kMemoryDCs, BOOL, WINAPI, HDC)
GIVING(CloseHandleWrapper, kCloseHandle, kFiles, BOOL, WINAPI, HANDLE)
GIVING(FindCloseWrapper, kFindClose, kListings, BOOL, WINAPI, HANDLE)
GIVING(UnhookWindowsHookExWrapper, kUnhookWindowsHookEx, kHooks, BOOL, WINAPI, HHOOK)

int WINAPI ReleaseDCWrapper(HWND window, HDC dc)
{
    Give(kWindowDCs, dc);
    return REAL(kReleaseDC, ReleaseDCWrapper)(window, dc);
}

struct Import {
    int slot;
    const char* dll;
    const char* name;
    void* wrapper;
};

#define IMPORT(slot, dll, name, wrapper) {slot, dll, name, reinterpret_cast<void*>(wrapper)}

const Import kImports[] = {
    IMPORT(kMalloc, "msvcrt.dll", "malloc", Malloc),
    IMPORT(kCalloc, "msvcrt.dll", "calloc", Calloc),
    IMPORT(kRealloc, "msvcrt.dll", "realloc", Realloc),
    IMPORT(kGlobalAlloc, "KERNEL32.dll", "GlobalAlloc", GlobalAllocWrapper),
    IMPORT(kCreateDIBSection, "GDI32.dll", "CreateDIBSection", CreateDIBSectionWrapper),
    IMPORT(kCreateCompatibleDC, "GDI32.dll", "CreateCompatibleDC", CreateCompatibleDCWrapper),
    IMPORT(kGetDC, "USER32.dll", "GetDC", GetDCWrapper),
    IMPORT(kLoadImageA, "USER32.dll", "LoadImageA", LoadImageAWrapper),
    IMPORT(kCreateFileA, "KERNEL32.dll", "CreateFileA", CreateFileAWrapper),
    IMPORT(kReadFile, "KERNEL32.dll", "ReadFile", ReadFileWrapper),
    IMPORT(kFopen, "msvcrt.dll", "fopen", Fopen),
    IMPORT(kSetWindowsHookExA, "USER32.dll", "SetWindowsHookExA", SetWindowsHookExAWrapper),
    IMPORT(kFindFirstFileA, "KERNEL32.dll", "FindFirstFileA", FindFirstFileAWrapper),
    IMPORT(kFree, "msvcrt.dll", "free", Free),
    IMPORT(kGlobalFree, "KERNEL32.dll", "GlobalFree", GlobalFreeWrapper),
    IMPORT(kDeleteObject, "GDI32.dll", "DeleteObject", DeleteObjectWrapper),
    IMPORT(kDeleteDC, "GDI32.dll", "DeleteDC", DeleteDCWrapper),
    IMPORT(kReleaseDC, "USER32.dll", "ReleaseDC", ReleaseDCWrapper),
    IMPORT(kCloseHandle, "KERNEL32.dll", "CloseHandle", CloseHandleWrapper),
    IMPORT(kFclose, "msvcrt.dll", "fclose", Fclose),
    IMPORT(kFindClose, "KERNEL32.dll", "FindClose", FindCloseWrapper),
    IMPORT(kUnhookWindowsHookEx, "USER32.dll", "UnhookWindowsHookEx", UnhookWindowsHookExWrapper),
};

const char* const kResourceNames[kResources] = {
    "heap blocks", "global blocks", "drawing objects", "memory DCs", "window DCs",
    "files",       "streams",       "listings",        "hooks",
};

}  // namespace

const char* CallName(FailingCall call)
{
    for (const Import& import : kImports)
        if (import.slot == call) return import.name;
    return "none";
}

bool IsAllocation(FailingCall call)
{
    return call == kMalloc || call == kCalloc || call == kRealloc;
}

bool PatchFailingCalls(HMODULE library, std::string* missing)
{
    missing->clear();
    // The real functions first, so no wrapper can run before its own is known.
    for (const Import& import : kImports) {
        real[import.slot] = reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA(import.dll), import.name));
    }
    for (const Import& import : kImports) {
        if (!real[import.slot] || !PatchImport(library, import.dll, import.name, import.wrapper))
            *missing += std::string(" ") + import.name;
    }
    return missing->empty();
}

void UnpatchFailingCalls(HMODULE library)
{
    for (const Import& import : kImports)
        if (real[import.slot]) PatchImport(library, import.dll, import.name, real[import.slot]);
}

void Arm(long failAt, bool fromThenOn, FailingCall startAt, FailingCall stopAt)
{
    Locked locked;
    State& s = S();
    s.failAt = failAt;
    s.fromThenOn = fromThenOn;
    s.startAt = startAt;
    s.stopAt = stopAt;
    s.allocations = 0;
    s.failures = Failures();
    s.waiting = startAt != kNoCall;
    s.armed = !s.waiting;
}

Failures Disarm()
{
    Locked locked;
    State& s = S();
    s.armed = false;
    s.waiting = false;
    return s.failures;
}

bool Held::operator==(const Held& other) const
{
    return std::equal(count, count + kResources, other.count);
}

std::string Held::Text() const
{
    std::string text;
    for (int r = 0; r < kResources; ++r) {
        if (count[r])
            text += (text.empty() ? "" : ", ") + std::string(kResourceNames[r]) + " " +
                    std::to_string(count[r]);
    }
    return text.empty() ? "nothing" : text;
}

Held LibraryHolds()
{
    Locked locked;
    Held held;
    for (int r = 0; r < kResources; ++r) held.count[r] = static_cast<long>(S().held[r].size());
    return held;
}
