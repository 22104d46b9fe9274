// Hooks that watch the messages sent to the host window.
#pragma once

#include <windows.h>

LRESULT CALLBACK PaintWatchHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK NoticeWatchHook(int code, WPARAM wParam, LPARAM lParam);
