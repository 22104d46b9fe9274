// The benchmark's figures, each printed through the report.
#pragma once

#include <string>

#include "bench/timing.h"

// DrawBarsAndPeaks in-process against the 1,216 single-pixel copies of one
// frame plus one pass over the bins.
void AnalyserFigure(Report& report);

// The plug-in library's Render in the stand-in host, in the steady state,
// against a bare blit of the vis area into the same window.
void RenderFigure(Report& report, const std::string& skinsFolder, const std::string& skin,
                  const std::string& pluginPath);

// ReloadSkin in-process, a different skin of the folder each time, against
// the platform's loading of the same main bitmaps alone.
void ReloadFigure(Report& report, const std::string& skinsFolder, int skinCount);

// The pixel-signature catalogue of the whole folder, against listing it and
// reading every main bitmap whole.
void CatalogueFigure(Report& report, const std::string& skinsFolder, int skinCount);
