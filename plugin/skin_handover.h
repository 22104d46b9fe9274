// The skin folder a notice names, handed from the host window's thread (the
// notice hook, the only writer) to the render thread (the skin reload, the
// only reader) without a lock.
#pragma once

#include <cstddef>

// Writer: makes the length bytes at path (no NUL needed, length below
// MAX_PATH) the newest noticed folder.
void PostNoticedSkin(const char* path, size_t length);

// Reader: copies the newest folder posted since the last take into out
// (MAX_PATH characters, NUL-terminated) and returns true; false, with out
// untouched, when nothing new was posted.
bool TakeNoticedSkin(char* out);
