// The benchmark: each figure with its ratio to a floor measured in the same
// run, one line per figure, then a summary. It reports and exits 0 whether or
// not the targets are met.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "bench/bench_skins.h"
#include "bench/figures.h"
#include "bench/timing.h"
#include "tests/support/skin_files.h"

namespace {

const int kSkins = 256;

}  // namespace

int main()
{
    // Plain newlines: scripts on the build machine read these lines.
    _setmode(_fileno(stdout), _O_BINARY);
    std::printf("note: %d-bit build; figures are relative to floors timed side by side\n",
                static_cast<int>(8 * sizeof(void*)));
    std::fflush(stdout);

    TempFolder root("bench");
    const std::string skins = root / "Skins";
    MakeFolder(skins);
    MakeFolder(root / "Plugins");
    const std::string plugin = root / "Plugins\\vis_zelpin.dll";
    CopyFileA((ExeFolder() + "\\vis_zelpin.dll").c_str(), plugin.c_str(), FALSE);
    MakeSkins(skins, kSkins);

    Report report;
    AnalyserFigure(report);
    RenderFigure(report, skins, SkinName(0), plugin);
    ReloadFigure(report, skins, kSkins);
    CatalogueFigure(report, skins, kSkins);
    report.Done();
    return 0;
}
