// Bounded string helpers for the fixed 260-character path buffers.
#pragma once

#include <cstddef>

// Copies src into dst (room bytes) when it fits with its terminator and
// returns its length; otherwise makes dst empty and returns -1.
int CopyIfFits(char* dst, size_t room, const char* src);

// Appends the strings to dst (room bytes, already terminated) when all of
// them fit; otherwise leaves dst unchanged and returns 0.
int AppendIfFits(char* dst, size_t room, const char* a, const char* b = "");
