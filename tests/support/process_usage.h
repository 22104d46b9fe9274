// What the process holds, for the tests that check nothing is left behind.
#pragma once

#include <windows.h>

// Far above any platform's limit on drawing objects: a count that gets here
// means the platform never refused, and the headroom would show nothing.
const size_t kHeadroomCap = 200000;

// How many memory drawing contexts the process can still make before the
// platform refuses. Every drawing object alive anywhere in the process
// lowers it by one. Counting leaves the platform's allocator grown for good,
// so read memory figures on the inside of two counts.
long GdiHeadroom();

// The process's private memory. On Windows this field is the commit charge,
// the same figure as PrivateUsage; Wine leaves PrivateUsage at 0.
SIZE_T PrivateBytes();
