// Hooks that watch the messages sent to the host window.
#pragma once

#include <windows.h>

const ULONG_PTR kSkinNoticeCode = 10650;

LRESULT CALLBACK PaintWatchHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK NoticeWatchHook(int code, WPARAM wParam, LPARAM lParam);
