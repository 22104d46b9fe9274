// The benchmark's figures, each printed through the report.
#pragma once

#include <string>

#include "bench/timing.h"

// DrawBarsAndPeaks in-process against a row-by-row copy of one strip frame
// plus one pass over the bins.
void AnalyserFigure(Report& report);

// The plug-in library's Render in the stand-in host, in the steady state,
// against a bare blit of the vis area into the same window.
void RenderFigure(Report& report, const std::string& skinsFolder, const std::string& skin,
                  const std::string& pluginPath);

// ReloadSkin in-process, a different skin of the folder each time.
void ReloadFigure(Report& report, const std::string& skinsFolder, int skinCount);

// The pixel-signature catalogue of the whole folder.
void CatalogueFigure(Report& report, const std::string& skinsFolder, int skinCount);
