#include "tests/support/profile_differential.h"

#include <windows.h>

#include "skin/profile_file.h"

std::string ProfileReadsDiffer(const char* path)
{
    static const char* const keys[] = {"BlendMethod", "AnalyzerMode", "Ratio", "Enable",
                                       "Peaks",       "Rain",         "DependQuelbix"};
    const ProfileFile file(path, "ZELPIN");
    for (const char* key : keys) {
        for (int fallback : {7, -1}) {
            const UINT ours = file.Int(key, fallback);
            const UINT platform = GetPrivateProfileIntA("ZELPIN", key, fallback, path);
            if (ours != platform)
                return std::string(key) + " (default " + std::to_string(fallback) + "): read " +
                       std::to_string(static_cast<int>(ours)) + ", the platform reads " +
                       std::to_string(static_cast<int>(platform));
        }
    }
    return "";
}
