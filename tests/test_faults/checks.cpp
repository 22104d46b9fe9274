// What every fault case checks: the two skins' pictures, the library's
// path buffers, and one case's picture with the health of the process.
#include "tests/test_faults/faults.h"

namespace faults {

int casesRun = 0;

namespace {

class CaseCount : public ::testing::Environment {
public:
    void TearDown() override { std::printf("faults: %d cases, host alive\n", casesRun); }
};
::testing::Environment* const caseCount = ::testing::AddGlobalTestEnvironment(new CaseCount);

}  // namespace

const Picture kAlphaBars = Bars(kPeak, kBarA, kBackgroundA);
const Picture kBetaBars = Bars(kPeak, kBarB, kBackgroundB);
const Picture kAlphaOff = Plain(kBackgroundA);   // the host's paint with skin Alpha

Picture UniformBars(HWND window, COLORREF quiet)
{
    std::vector<COLORREF> got = VisArea(window);
    if (got.size() != 76 * 16) return Plain(CLR_INVALID);
    return Bars(got[0], got[76], quiet);
}

size_t LongestRun(HMODULE library, unsigned char byte)
{
    const unsigned char* base = reinterpret_cast<const unsigned char*>(library);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const unsigned char* end = base + nt->OptionalHeader.SizeOfImage;
    size_t longest = 0;
    size_t run = 0;
    for (const unsigned char* p = base; p < end;) {
        MEMORY_BASIC_INFORMATION region;
        if (!VirtualQuery(p, &region, sizeof region)) break;
        const unsigned char* next =
            static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize;
        const bool readable =
            region.State == MEM_COMMIT && !(region.Protect & (PAGE_NOACCESS | PAGE_GUARD));
        for (; p < next && p < end; ++p) {
            run = readable && *p == byte ? run + 1 : 0;
            if (run > longest) longest = run;
        }
    }
    return longest;
}

void ExpectNoRunPastPath(HMODULE library, char marker, const std::string& what)
{
    EXPECT_GT(kPathRoom, LongestRun(library, static_cast<unsigned char>(marker)))
        << what << ": '" << marker << "' written past a path buffer";
}

bool Check(HWND window, const winampVisModule* module, const Picture& want, const std::string& what,
           const Picture& orElse)
{
    ++casesRun;
    const bool shown = (orElse && Differences(window, orElse) == 0) || Shows(window, want, what);
    ExpectHealthy(window, module, what);
    return shown;
}

bool Check(StandInHost& host, const Picture& want, const std::string& what,
           const Picture& orElse)
{
    return Check(host.Window(), host.Module(), want, what, orElse);
}

void Notice(StandInHost& host, const std::string& name)
{
    host.SendSkinNotice(name.c_str(), static_cast<DWORD>(name.size() + 1));
}

}  // namespace faults
