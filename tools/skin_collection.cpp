#include "tools/skin_collection.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "image/dib_surface.h"
#include "skin/skin_files.h"
#include "skin/skin_signature.h"
#include "skin/zelpin_config.h"
#include "tools/skin_check.h"

namespace {

const char kUsage[] =
    "usage: zelpin_skin_check.exe --all SKINSDIR [--plugin-ini FILE] [--archives LIST]\n"
    "                             [--verdicts LIST | --pixels-out FILE | --names]\n"
    "  SKINSDIR           a Skins folder of skin folders and archives (a Windows path)\n"
    "  --plugin-ini FILE  the plug-in's defaults file; built-in defaults without it\n"
    "  --archives LIST    the archives, unpacked: a line each, the archive's name, a tab,\n"
    "                     and the folder of its skin, or \"!\" and why it was not unpacked\n"
    "  --verdicts LIST    how visible each analyser is: a line each, the skin's name, a\n"
    "                     tab and the verdict; every verdict but \"clearly visible\" counts\n"
    "                     as faint or worse\n"
    "  --pixels-out FILE  instead of the report, write every skin's painted pixels to FILE\n"
    "                     (as the single check's --pixels-out does)\n"
    "  --names            instead of the report, print the name of every folder and file\n"
    "                     of SKINSDIR, a line each, in the order of the report\n"
    "Exit status: 0 every skin shows the analyser, has a usable main.bmp and can be told\n"
    "apart, 1 otherwise, 2 bad command line or no such folder.\n";

const unsigned kCatalogueSize = 256;
const int kPoints = 32;
// Signatures this close can swap when the window's picture is a pixel off,
// as when it is shown at double size and scaled back.
const int kFewPoints = 3;
const size_t kWidestName = 32;
const char kClearlyVisible[] = "clearly visible";
// "subtract 128/128 (100.0%)", the widest blend.
const int kBlendWidth = 25;

using skin_check::BitmapUse;

struct Archive {
    std::string name;
    std::string folder;     // empty when refused
    std::string refusal;
};

struct Row {
    std::string name;
    bool archive = false;
    std::string refusal;    // why an archive was not unpacked
    std::string folder;
    bool pathFits = true;
    unsigned char blendMethod = 0, analyzerMode = 0, ratio = 0;
    int enable = 0, peaks = 0, rain = 0;
    int colourWarnings = 0;
    BitmapUse bitmap = BitmapUse::Missing;
    const char* bitmapText = "missing";
    int width = 0, height = 0, bits = 0;
    int catalogued = -1;    // index in the plug-in's catalogue
    bool signed_ = false;   // an archive whose signature could be taken
    SkinSignature signature;
    std::string visibility; // the verdict, when there is one

    bool Shown() const { return refusal.empty() && pathFits && enable != 0; }
};

void ReadBitmap(const char* path, Row* row)
{
    DibSurface image;
    row->bitmap = skin_check::LoadMainBitmap(path, &image);
    row->bitmapText = skin_check::BitmapUseText(row->bitmap, path);
    if (row->bitmap != BitmapUse::Loads) return;
    row->width = image.header->biWidth;
    row->height = image.header->biHeight < 0 ? -image.header->biHeight : image.header->biHeight;
    row->bits = image.header->biBitCount;
}

// What the plug-in makes of the skin's files, as the single check reads them.
void ReadSkin(const char* pluginIni, Row* row)
{
    SkinFiles files;
    if (!LocateSkinFiles(row->folder.c_str(), &files)) {
        row->pathFits = false;
        return;
    }
    ZelpinConfig config(pluginIni);
    config.ReadSkinSettings(files.settings);
    row->blendMethod = config.blendMethod;
    row->analyzerMode = config.analyzerMode;
    row->ratio = config.ratio;
    row->enable = config.enable;
    row->peaks = config.peaks;
    row->rain = config.rain;
    row->colourWarnings = skin_check::CountColorWarnings(files.colors);
    ReadBitmap(files.bitmap, row);
}

// A list of lines "name, tab, value", as the scripts write them.
bool ReadTabList(const char* path, std::vector<std::pair<std::string, std::string>>* entries)
{
    FILE* file = std::fopen(path, "r");
    if (!file) return false;
    char line[2 * MAX_PATH + 512];
    while (std::fgets(line, sizeof line, file)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        char* tab = std::strchr(line, '\t');
        if (!tab) continue;
        *tab = '\0';
        entries->emplace_back(line, tab + 1);
    }
    std::fclose(file);
    return true;
}

bool ReadArchiveList(const char* path, std::vector<Archive>* archives)
{
    std::vector<std::pair<std::string, std::string>> entries;
    if (!ReadTabList(path, &entries)) return false;
    for (const auto& entry : entries) {
        Archive archive;
        archive.name = entry.first;
        if (entry.second[0] == '!') archive.refusal = entry.second.substr(1);
        else archive.folder = entry.second;
        archives->push_back(archive);
    }
    return true;
}

bool ReadVerdicts(const char* path, std::vector<Row>* rows)
{
    std::vector<std::pair<std::string, std::string>> entries;
    if (!ReadTabList(path, &entries)) return false;
    for (const auto& entry : entries)
        for (Row& row : *rows)
            if (lstrcmpiA(row.name.c_str(), entry.first.c_str()) == 0) row.visibility = entry.second;
    return true;
}

// The painted pixels of every skin that could be read, for the visibility figures.
bool WritePixels(const char* path, const char* pluginIni, const std::vector<Row>& rows)
{
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    bool written = true;
    for (const Row& row : rows)
        if (row.refusal.empty())
            written = skin_check::WritePixelRecord(out, row.name.c_str(), row.folder.c_str(),
                                                   pluginIni) && written;
    return std::fclose(out) == 0 && written;
}

const Archive* FindArchive(const std::vector<Archive>& archives, const char* name)
{
    for (const Archive& archive : archives)
        if (lstrcmpiA(archive.name.c_str(), name) == 0) return &archive;
    return nullptr;
}

// Why a skin folder holds no skin at all: empty, or not to be read; null
// when it holds files.
const char* FolderProblem(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((folder + "\\*.*").c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE) return "a folder that cannot be read";
    bool empty = true;
    do {
        empty = empty && (std::strcmp(found.cFileName, ".") == 0 ||
                          std::strcmp(found.cFileName, "..") == 0);
    } while (empty && FindNextFileA(listing, &found));
    FindClose(listing);
    return empty ? "an empty folder: no skin in it" : nullptr;
}

// The skins in the order the platform lists the folder, which is the order
// of the plug-in's catalogue; files that are no unpacked archive are left
// out unless everyFile.
bool ListSkins(const std::string& skins, const std::vector<Archive>& archives, bool everyFile,
               std::vector<Row>* rows)
{
    const std::string pattern = skins + "\\*.*";
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern.c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE) return false;
    do {
        const char* name = found.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        Row row;
        row.name = name;
        if (std::strchr(name, '?')) {
            // No file name holds "?": the platform shows characters the ANSI
            // code page cannot hold so, and no ANSI program can open the file.
            row.refusal = "a name the ANSI code page cannot hold: the player cannot open it";
        } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            row.folder = skins + "\\" + name;
            if (const char* problem = FolderProblem(row.folder)) row.refusal = problem;
        } else if (const Archive* archive = FindArchive(archives, name)) {
            row.archive = true;
            row.folder = archive->folder;
            row.refusal = archive->refusal;
        } else if (!everyFile) {
            continue;
        }
        rows->push_back(row);
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
    return true;
}

void PrintRow(const Row& row, int nameWidth)
{
    std::printf("  %-*s  ", nameWidth, row.name.c_str());
    if (!row.refusal.empty()) {
        std::printf("not read: %s\n", row.refusal.c_str());
        return;
    }
    if (!row.pathFits) {
        std::printf("none: the folder's path is too long for the plug-in\n");
        return;
    }
    char ratio[skin_check::kRatioTextRoom];
    char blend[48];
    std::snprintf(blend, sizeof blend, "%s %s", skin_check::BlendName(row.blendMethod),
                  skin_check::RatioText(row.ratio, ratio, sizeof ratio));
    std::printf("%-15s  %-5s  %-*s  %-15s  %-15d  ", row.enable ? "shown" : "none (Enable 0)",
                skin_check::StyleName(row.peaks, row.rain), kBlendWidth, blend,
                row.visibility.empty() ? "-" : row.visibility.c_str(), row.colourWarnings);
    if (row.bitmap == BitmapUse::Loads)
        std::printf("loads, %d x %d, %d bits\n", row.width, row.height, row.bits);
    else
        std::printf("%s\n", row.bitmapText);
}

// Splits a folder path into its parent and its own name, as the catalogue
// takes a skin.
bool TakeSignature(const std::string& folder, SkinSignature* signature)
{
    const size_t slash = folder.find_last_of('\\');
    if (slash == std::string::npos) return false;
    NamedSkinSignature named;
    if (!named.LoadFromSkin(folder.substr(0, slash).c_str(), folder.c_str() + slash + 1))
        return false;
    std::memcpy(signature->keys, named.keys, sizeof signature->keys);
    return true;
}

// Reports on identification by sight; false when two catalogued skins cannot
// be told apart.
bool ReportIdentification(const std::string& skins, std::vector<Row>& rows)
{
    std::printf("\nIdentification by sight (players that cannot report their skin):\n");
    SignatureSkinLocator locator(nullptr);
    std::string folder = skins + "\\";
    if (folder.size() >= MAX_PATH) {
        std::printf("  the Skins folder's path is too long for the plug-in: it catalogues no skin\n");
        return false;
    }
    std::memcpy(locator.skinsFolder, folder.c_str(), folder.size() + 1);
    locator.RefreshSkins();

    std::vector<int> byEntry(locator.entryCount, -1);
    for (size_t r = 0; r < rows.size(); ++r) {
        Row& row = rows[r];
        if (row.archive) {
            if (row.refusal.empty()) row.signed_ = TakeSignature(row.folder, &row.signature);
            continue;
        }
        for (unsigned i = 0; i < locator.entryCount; ++i) {
            if (byEntry[i] < 0 && std::strcmp(locator.entries[i]->name, row.name.c_str()) == 0) {
                byEntry[i] = static_cast<int>(r);
                row.catalogued = static_cast<int>(i);
                std::memcpy(row.signature.keys, locator.entries[i]->keys, sizeof row.signature.keys);
                break;
            }
        }
    }
    std::printf("  the plug-in catalogues %u of the %u skins (folders whose main bitmap loads,\n"
                "  in the order above, at most %u)\n", locator.entryCount,
                static_cast<unsigned>(rows.size()), kCatalogueSize);
    for (const Row& row : rows) {
        if (row.catalogued >= 0) continue;
        const char* why = row.archive ? "an archive: the plug-in catalogues folders only"
                          : !row.refusal.empty() ? row.refusal.c_str()
                          : row.bitmap != BitmapUse::Loads ? "its main bitmap does not load"
                          : locator.entryCount >= kCatalogueSize ? "the catalogue is full"
                          : "its folder cannot be read";
        std::printf("  not catalogued: \"%s\" (%s)\n", row.name.c_str(), why);
    }

    bool apart = true;
    int equal = 0, close = 0;
    for (unsigned a = 0; a < locator.entryCount; ++a) {
        for (unsigned b = a + 1; b < locator.entryCount; ++b) {
            const int same = locator.entries[a]->CountEqual(*locator.entries[b]);
            if (same == kPoints) {
                unsigned char points;
                const int pick = locator.BestMatch(*locator.entries[b], &points);
                std::printf("  equal signatures: \"%s\" and \"%s\": the plug-in takes both for \"%s\"\n",
                            locator.entries[a]->name, locator.entries[b]->name,
                            locator.entries[pick]->name);
                apart = false;
                ++equal;
            } else if (same >= kPoints - kFewPoints) {
                std::printf("  close signatures: \"%s\" and \"%s\" differ in only %d of the %d points\n",
                            locator.entries[a]->name, locator.entries[b]->name, kPoints - same,
                            kPoints);
                ++close;
            }
        }
    }
    for (const Row& row : rows) {
        if (!row.archive || !row.refusal.empty()) continue;
        if (!row.signed_) {
            std::printf("  archive \"%s\": its main bitmap does not load, so the plug-in finds "
                        "no skin while it is shown\n", row.name.c_str());
            continue;
        }
        unsigned char points;
        const int pick = locator.BestMatch(row.signature, &points);
        if (pick < 0)
            std::printf("  archive \"%s\": while it is shown the plug-in finds no skin "
                        "(no point agrees)\n", row.name.c_str());
        else
            std::printf("  archive \"%s\": while it is shown the plug-in takes it for \"%s\" "
                        "(%d of %d points agree)\n", row.name.c_str(), locator.entries[pick]->name,
                        points, kPoints);
    }
    if (equal == 0)
        std::printf("  every catalogued skin can be told apart%s\n",
                    close ? "" : " by more than a few points");
    return apart;
}

}  // namespace

int CheckCollection(int argc, char** argv)
{
    const char* skinsArg = nullptr;
    const char* pluginIni = nullptr;
    const char* archiveList = nullptr;
    const char* verdictList = nullptr;
    const char* pixelsOut = nullptr;
    bool namesOnly = false;
    bool understood = true;
    for (int i = 2; i < argc && understood; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--plugin-ini") == 0 && hasValue)
            pluginIni = argv[++i];
        else if (std::strcmp(argv[i], "--archives") == 0 && hasValue)
            archiveList = argv[++i];
        else if (std::strcmp(argv[i], "--verdicts") == 0 && hasValue && !pixelsOut)
            verdictList = argv[++i];
        else if (std::strcmp(argv[i], "--pixels-out") == 0 && hasValue && !verdictList)
            pixelsOut = argv[++i];
        else if (std::strcmp(argv[i], "--names") == 0)
            namesOnly = true;
        else if (argv[i][0] != '-' && !skinsArg)
            skinsArg = argv[i];
        else
            understood = false;
    }
    if (!understood || !skinsArg) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string skins = skinsArg;
    while (skins.size() > 3 && skins.back() == '\\') skins.pop_back();
    const DWORD attributes = GetFileAttributesA(skins.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "zelpin_skin_check: %s is not a folder\n", skins.c_str());
        return 2;
    }
    if (pluginIni && GetFileAttributesA(pluginIni) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "zelpin_skin_check: %s does not exist\n", pluginIni);
        return 2;
    }
    std::vector<Archive> archives;
    if (archiveList && !ReadArchiveList(archiveList, &archives)) {
        std::fprintf(stderr, "zelpin_skin_check: cannot read %s\n", archiveList);
        return 2;
    }
    std::vector<Row> rows;
    if (!ListSkins(skins, archives, namesOnly, &rows)) {
        std::fprintf(stderr, "zelpin_skin_check: cannot list %s\n", skins.c_str());
        return 2;
    }
    if (namesOnly) {
        for (const Row& row : rows) std::printf("%s\n", row.name.c_str());
        return 0;
    }
    if (rows.empty()) {
        std::fprintf(stderr, "zelpin_skin_check: %s holds no skin folders or archives\n",
                     skins.c_str());
        return 2;
    }
    if (pixelsOut) {
        if (WritePixels(pixelsOut, pluginIni, rows)) return 0;
        std::fprintf(stderr, "zelpin_skin_check: could not write %s\n", pixelsOut);
        return 2;
    }
    if (verdictList && !ReadVerdicts(verdictList, &rows)) {
        std::fprintf(stderr, "zelpin_skin_check: cannot read %s\n", verdictList);
        return 2;
    }

    size_t nameWidth = 4;
    int shown = 0, faint = 0, blackBars = 0;
    for (Row& row : rows) {
        if (row.refusal.empty()) ReadSkin(pluginIni, &row);
        if (row.name.size() > nameWidth) nameWidth = row.name.size();
        shown += row.Shown() ? 1 : 0;
        blackBars += row.Shown() && row.bitmap != BitmapUse::Loads ? 1 : 0;
        faint += !row.visibility.empty() && row.visibility != kClearlyVisible ? 1 : 0;
    }
    if (nameWidth > kWidestName) nameWidth = kWidestName;
    const int width = static_cast<int>(nameWidth);

    std::printf("Skins folder: %s\nDefaults: %s%s\n\n", skins.c_str(),
                pluginIni ? "plugin.ini " : "built-in (no plugin.ini given)",
                pluginIni ? pluginIni : "");
    std::printf("  %-*s  %-15s  %-5s  %-*s  %-15s  %-15s  %s\n", width, "skin", "analyser",
                "style", kBlendWidth, "blend", "visibility", "colour warnings", "main bitmap");
    for (const Row& row : rows) PrintRow(row, width);
    const int count = static_cast<int>(rows.size());
    std::printf("  %d skin%s, %d show%s the analyser", count, count == 1 ? "" : "s", shown,
                shown == 1 ? "s" : "");
    if (verdictList) std::printf(", %d of them faint or worse", faint);
    if (blackBars) std::printf(", %d without a usable main.bmp", blackBars);
    std::printf("\n");

    const bool apart = ReportIdentification(skins, rows);
    return shown == count && blackBars == 0 && apart ? 0 : 1;
}
