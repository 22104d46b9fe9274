#include "tests/support/profile_differential.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "skin/profile_file.h"

namespace {

bool IsSpace(WCHAR c)
{
    return (c >= 0x09 && c <= 0x0D) || c == ' ' || c == 0x1A;
}

// Where Wine 8 reads otherwise than Windows, whose reading the plug-in
// follows: a UTF-8 byte-order mark (Wine reads UTF-8 after it, Windows takes
// its bytes for text in the ANSI code page), and a section line whose name
// does not end at its one ']' (Wine runs it to the last, and takes a line
// without any for a key). UTF-16 files go to the platform's own reads.
bool WineReadsOtherwise(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
    if (bytes.empty() || bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)
        return false;
    std::wstring text(bytes.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    &text[0], static_cast<int>(text.size())));
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_of(L"\r\n", at);
        if (end == std::wstring::npos) end = text.size();
        size_t begin = at;
        while (begin < end && IsSpace(text[begin])) ++begin;
        if (begin < end && text[begin] == L'[') {
            const size_t first = text.find(L']', begin);
            if (first >= end || text.find(L']', first + 1) < end) return true;
        }
        at = end + 1;
    }
    return false;
}

}  // namespace

std::string ProfileReadsDiffer(const char* path)
{
    if (WineReadsOtherwise(path)) return "";
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
