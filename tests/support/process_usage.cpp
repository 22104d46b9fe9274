#include "tests/support/process_usage.h"

#include <psapi.h>

#include <vector>

// All are deleted again before it returns; the list is reserved once, so
// measuring allocates nothing after the first time.
long GdiHeadroom()
{
    static std::vector<HDC> made;
    made.reserve(kHeadroomCap);
    while (made.size() < kHeadroomCap) {
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc) break;
        made.push_back(dc);
    }
    const long count = static_cast<long>(made.size());
    for (HDC dc : made) DeleteDC(dc);
    made.clear();
    return count;
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PagefileUsage;
}
