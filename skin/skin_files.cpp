#include "skin/skin_files.h"

#include "skin/skin_locator.h"

namespace {

// Composes folder + "\" + file into out; 0 when it would not fit.
int ComposeSkinFile(char* out, const char* folder, const char* file)
{
    out[0] = '\0';
    return AppendToPath(out, folder) && AppendToPath(out, "\\") && AppendToPath(out, file);
}

bool FileExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int LocateSkinFiles(const char* folder, SkinFiles* files)
{
    if (folder[0] == '\0' || !ComposeSkinFile(files->settings, folder, "zelpin.txt") ||
        !ComposeSkinFile(files->colors, folder, "viscolor.txt") ||
        !ComposeSkinFile(files->bitmap, folder, "main.bmp"))
        return 0;
    if (!FileExists(files->settings)) ComposeSkinFile(files->settings, folder, "zelpin.ini");
    return 1;
}
