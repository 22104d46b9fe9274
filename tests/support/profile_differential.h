// The plug-in's settings reader (skin/profile_file) against the platform's
// own GetPrivateProfileIntA on one file: every key the plug-in reads, each
// with two defaults. Used by the settings fuzz harness and its replay.
#pragma once

#include <string>

// "" when both agree on every read, or when the file is one where Wine reads
// otherwise than Windows; else the first read that differs. The
// platform caches files by name: give every content a name of its own.
std::string ProfileReadsDiffer(const char* path);
