// Making the loaded library's own calls fail, through its import table: each
// import that can fail is pointed at a wrapper in this program that counts
// the call and, when told to, fails it the way the real function reports a
// failure. What the library takes through these calls, and gives back
// through their counterparts, is tallied, so that what it holds can be
// compared before and after.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum FailingCall {
    kMalloc,   // the C runtime's allocators: operator new ends in one of these
    kCalloc,
    kRealloc,
    kGlobalAlloc,
    kCreateDIBSection,
    kCreateCompatibleDC,
    kGetDC,
    kLoadImageA,
    kCreateFileA,
    kReadFile,
    kFopen,
    kSetWindowsHookExA,
    kFindFirstFileA,
    kNoCall,
};

const char* CallName(FailingCall call);
bool IsAllocation(FailingCall call);

// Patches every call above and its counterpart in the library; names the
// imports it did not find.
bool PatchFailingCalls(HMODULE library, std::string* missing);
void UnpatchFailingCalls(HMODULE library);

struct FailedCall {
    FailingCall call;
    long allocation;   // for an allocation: the how-many-th of the operation
};

struct Failures {
    std::vector<FailingCall> calls;   // every call counted, in order
    std::vector<FailedCall> failed;
};

// From now on, counts the calls and fails call number failAt (counted from
// 1), or, with fromThenOn, every call from that one on. With startAt, the
// counting begins at the first call of that function; with stopAt, it ends
// at the first call of that one, which is not counted.
void Arm(long failAt, bool fromThenOn, FailingCall startAt = kNoCall, FailingCall stopAt = kNoCall);
Failures Disarm();

// What the library holds, taken through the calls above since the patch.
enum Resource {
    kHeapBlocks,      // malloc ... free
    kGlobalBlocks,    // GlobalAlloc ... GlobalFree
    kDrawingObjects,  // CreateDIBSection, LoadImageA ... DeleteObject
    kMemoryDCs,       // CreateCompatibleDC ... DeleteDC
    kWindowDCs,       // GetDC ... ReleaseDC
    kFiles,           // CreateFileA ... CloseHandle
    kStreams,         // fopen ... fclose
    kListings,        // FindFirstFileA ... FindClose
    kHooks,           // SetWindowsHookExA ... UnhookWindowsHookEx
    kResources,
};

struct Held {
    long count[kResources] = {};
    bool operator==(const Held& other) const;
    std::string Text() const;   // "heap blocks 3, drawing objects 1", or "nothing"
};
Held LibraryHolds();
