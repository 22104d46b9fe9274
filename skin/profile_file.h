// One section of a settings ("ini") file, read once: Int answers each key
// as Windows' GetPrivateProfileIntA(section, key, fallback, path) does, with
// one open and one read for the whole file instead of several platform
// round trips per key. The rules it follows are in docs/tools.md; the
// settings fuzz harness holds it to the platform's own reads.
#pragma once

#include <windows.h>

// Whether length UTF-16 units at name spell the ASCII name, letter case
// aside: what the platform's ordinal comparison without case answers (no
// other character, not even the Kelvin sign, is taken for an ASCII letter),
// with nothing Windows XP lacks.
bool SameProfileName(const WCHAR* name, int length, const char* ascii);

// Whether the whole text is a number as Int reads one: a sign, a lowercase
// "0b", "0o" or "0x" prefix, then one or more digits of the base. Int reads
// any other text as the number it starts with, or 0.
bool IsProfileNumber(const char* text);

class ProfileFile {
public:
    // A null path reads as a missing file. The section and the keys are
    // plain ASCII names without spaces around them. The path is kept: it
    // must outlive the object.
    ProfileFile(const char* path, const char* section);
    ~ProfileFile();
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    UINT Int(const char* key, int fallback) const;

private:
    // Missing: every key takes its default. Platform: the file is one we
    // cannot read exactly as the platform does (a UTF-16 file, a large one,
    // an open or a read that failed), so each key goes to its own read.
    enum class Source { Missing, Memory, Platform };

    bool Load(HANDLE file);
    bool Decode(const char* bytes, DWORD size);
    bool FindSection(const WCHAR* end);

    const char* path;
    const char* section;
    Source source;
    WCHAR* text;                  // the file as UTF-16, its bytes behind
    const WCHAR* sectionBegin;    // the lines of the first matching section
    const WCHAR* sectionEnd;
};
