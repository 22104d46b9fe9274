// Closes the modal message boxes a test provokes, from a thread of its own,
// and remembers what each one said.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

class MessageBoxWatcher {
public:
    struct Seen {
        std::string caption;
        std::string text;
        HWND owner;
    };

    MessageBoxWatcher();
    ~MessageBoxWatcher();
    std::vector<Seen> Take();   // what was closed so far, then forgotten

private:
    static DWORD WINAPI Watch(void* self);
    HANDLE thread;
    HANDLE stop;
    CRITICAL_SECTION lock;
    std::vector<Seen> boxes;
};

// A visible top-level window of the process, of the class when one is named;
// null when there is none.
HWND VisibleWindowOf(DWORD process, const char* windowClass = nullptr);
