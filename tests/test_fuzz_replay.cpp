// Every input that ever made a fuzz target fail, kept in
// tests/data/fuzz-crashes/<target>/, run again through its reader in this
// build; the bitmaps also take the whole skin-load path, as the mutation
// harness (skin_load) hands them over, and the settings files are read by
// the plug-in's reader and the platform's, as the settings harness does.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/draw_fixtures.h"
#include "tests/support/fuzz_targets.h"
#include "tests/support/profile_differential.h"
#include "tests/support/skin_load_path.h"

namespace {

std::vector<std::string> KeptInputs(const std::string& target)
{
    std::vector<std::string> paths;
    const std::string folder = std::string(ZELPIN_FUZZ_CRASHES) + "\\" + target;
    WIN32_FIND_DATAA found;
    HANDLE list = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (list == INVALID_HANDLE_VALUE) return paths;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            paths.push_back(folder + "\\" + found.cFileName);
    } while (FindNextFileA(list, &found));
    FindClose(list);
    return paths;
}

Bytes ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(FuzzReplay, EveryKeptInputPassesItsReader)
{
    size_t replayed = 0;
    for (const FuzzTarget& target : fuzzTargets) {
        for (const std::string& path : KeptInputs(target.name)) {
            const Bytes bytes = ReadBytes(path);
            EXPECT_EQ("", target.run(bytes.data(), bytes.size())) << path;
            ++replayed;
        }
    }
    for (const char* target : {"bmp_check", "skin_load"}) {
        for (const std::string& path : KeptInputs(target)) {
            const std::string copy = TempFile("replay.bmp");
            WriteBytes(copy, ReadBytes(path));
            const int result = RunSkinLoadPath(copy.c_str());
            EXPECT_TRUE(result == 0 || result == 1) << path << ": the load path gave " << result;
            ++replayed;
        }
    }
    // A name of its own for each: the platform caches settings files by name.
    for (const std::string& path : KeptInputs("settings")) {
        const std::string copy = TempFile(("settings" + std::to_string(replayed) + ".ini").c_str());
        WriteBytes(copy, ReadBytes(path));
        EXPECT_EQ("", ProfileReadsDiffer(copy.c_str())) << path;
        DeleteFileA(copy.c_str());
        ++replayed;
    }
    EXPECT_GT(replayed, 0u) << "no kept inputs under " << ZELPIN_FUZZ_CRASHES;
}
