// The fake plug-in that the host cases load: this very program exports the
// player's entry point, and the fake records every call it gets.
#include "tests/test_host/host_tests.h"

#include <cstring>

namespace host_test {

FakeRecord fake;
winampVisModule fakeModule;

namespace {

int __cdecl FakeInit(winampVisModule* module)
{
    ++fake.inits;
    fake.initThread = GetCurrentThreadId();
    fake.parent = module->hwndParent;
    fake.instance = module->hDllInstance;
    return fake.initResult;
}

// Asks for the skin like the plug-in does, then fills the vis area.
int __cdecl FakeRender(winampVisModule* module)
{
    fake.renderThread = GetCurrentThreadId();
    fake.sRate = module->sRate;
    fake.nCh = module->nCh;
    fake.first = module->spectrumData[0][0];
    fake.last = module->spectrumData[1][575];
    char path[MAX_PATH] = "";
    if (SendMessageA(module->hwndParent, WM_USER, reinterpret_cast<WPARAM>(path), IPC_GETSKIN))
        ++fake.namesSeen;
    RECT r;
    GetWindowRect(module->hwndParent, &r);
    if (r.bottom - r.top >= 116) {
        RECT area = {24, 43, 100, 59};
        if (r.right - r.left > 275) SetRect(&area, 48, 86, 200, 118);
        HDC dc = GetDC(module->hwndParent);
        HBRUSH brush = CreateSolidBrush(FillFor(module->spectrumData[0][0]));
        FillRect(dc, &area, brush);
        DeleteObject(brush);
        ReleaseDC(module->hwndParent, dc);
    }
    ++fake.renders;
    return 0;
}

void __cdecl FakeQuit(winampVisModule*)
{
    ++fake.quits;
}

char fakeDescription[] = "fake";

winampVisModule* __cdecl FakeGetModule(int index)
{
    return index == 0 ? &fakeModule : nullptr;
}

winampVisHeader fakeHeader = {0x101, fakeDescription, FakeGetModule};

}  // namespace

// The vis area's fill for a spectrum byte: tells the captured frames apart.
COLORREF FillFor(int value)
{
    return RGB(value * 40, 90, 255 - value * 40);
}

void ResetFake(int initResult)
{
    fake.inits = fake.renders = fake.quits = fake.namesSeen = 0;
    fake.initResult = initResult;
    fake.initThread = 0;
    fake.renderThread = 0;
    fake.parent = nullptr;
    fake.instance = nullptr;
    std::memset(&fakeModule, 0, sizeof fakeModule);
    fakeModule.description = fakeDescription;
    fakeModule.Init = FakeInit;
    fakeModule.Render = FakeRender;
    fakeModule.Quit = FakeQuit;
}

}  // namespace host_test

extern "C" __declspec(dllexport) winampVisHeader* __cdecl winampVisGetHeader()
{
    return &host_test::fakeHeader;
}
