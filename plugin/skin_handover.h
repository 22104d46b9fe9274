// The name of the skin folder a notice names, handed from the host window's
// thread (the notice hook, the only writer) to the render thread (the skin
// reload, the only reader) without a lock.
#pragma once

#include <cstddef>

// Writer: makes the length bytes at name (no NUL needed, length below
// MAX_PATH) the newest noticed folder name.
void PostNoticedSkin(const char* name, size_t length);

// Reader: copies the newest name posted since the last take into out
// (MAX_PATH characters, NUL-terminated) and returns true; false, with out
// untouched, when nothing new was posted.
bool TakeNoticedSkin(char* out);
