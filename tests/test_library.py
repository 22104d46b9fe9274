"""The 32-bit plug-in library as a player loads it: a PE32 i386 DLL exporting
only winampVisGetHeader from a table named "zelpin.dll", importing only the
pinned Windows functions, carrying the VERSION in its version resource, and
shipped stripped, hardened and reproducible, its symbols beside it.
ZELPIN_PRODUCT_DLL names another library to check instead."""

import os
import struct
import subprocess
import unittest
import zlib

import pefile   # Debian's python3-pefile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DLL = os.environ.get("ZELPIN_PRODUCT_DLL") or os.path.join(ROOT, "build", "win32", "vis_zelpin.dll")
SYMBOLS = DLL + ".debug"
ADDR2LINE = "i686-w64-mingw32-addr2line"

_library = None


def library():
    """The library's PE image, read once."""
    global _library
    if _library is None:
        if not os.path.isfile(DLL):
            raise AssertionError("library not found: %s (build it with scripts/build)" % DLL)
        _library = pefile.PE(DLL)
    return _library


# Every function the library imports, by DLL, and the first Windows that
# has it: "NT5" is Windows 2000 and XP, as ReactOS's export tables of these
# DLLs mark them (-version ranges starting at or below 0x502). The library
# runs from Windows XP SP3 on, so nothing newer may come in; a new import is
# a decision to write down here, not an accident.
PRODUCT_IMPORTS = {
    "GDI32.dll": "BitBlt CreateCompatibleDC CreateDIBSection DeleteDC DeleteObject GdiFlush "
                 "GetDIBColorTable GetObjectA GetPixel PatBlt SelectObject StretchBlt",
    "KERNEL32.dll": "CloseHandle CreateFileA FindClose FindFirstFileA FindNextFileA "
                    "GetFileAttributesA GetFileSizeEx GetLastError GetModuleFileNameA "
                    "GetModuleHandleA GetPrivateProfileIntA GetPrivateProfileStringA GlobalAlloc "
                    "GlobalFree IsDBCSLeadByte MultiByteToWideChar ReadFile SetFilePointerEx",
    "USER32.dll": "CallNextHookEx CharNextExA CharPrevExA GetDC GetWindowLongA GetWindowRect "
                  "GetWindowThreadProcessId IsWindow LoadImageA MessageBoxA ReleaseDC SendMessageA "
                  "SetRect SetRectEmpty SetWindowsHookExA UnhookWindowsHookEx",
    "msvcrt.dll": "fgets fopen fclose free malloc memcpy strcmp strlen strrchr strtok",
}
# What the C runtime's start-up and its pseudo-relocation report bring.
RUNTIME_IMPORTS = {
    "KERNEL32.dll": "DeleteCriticalSection EnterCriticalSection FreeLibrary GetProcAddress "
                    "InitializeCriticalSection LeaveCriticalSection LoadLibraryA Sleep TlsGetValue "
                    "VirtualProtect VirtualQuery",
    "msvcrt.dll": "_amsg_exit _initterm _iob _lock _unlock abort calloc fwrite realloc strncmp "
                  "vfprintf",
}
FIRST_WINDOWS = "NT5"
# The shipped library's ceiling.
LARGEST_LIBRARY = 49152


class Library(unittest.TestCase):
    def test_is_a_pe32_dll_for_i386(self):
        header = library().FILE_HEADER
        self.assertEqual((0x14C, 0x10B, 0x2000), (header.Machine, library().OPTIONAL_HEADER.Magic,
                                                  header.Characteristics & 0x2000),
                         "%s: machine (i386), optional header magic (PE32), DLL flag" % DLL)

    def test_imports_exactly_the_pinned_functions(self):
        got = {entry.dll.decode(): {imp.name.decode() if imp.name else "#%d" % imp.ordinal
                                    for imp in entry.imports}
               for entry in library().DIRECTORY_ENTRY_IMPORT}
        for dll in sorted(set(got) | set(PRODUCT_IMPORTS) | set(RUNTIME_IMPORTS)):
            pinned = set(PRODUCT_IMPORTS.get(dll, "").split()) | set(RUNTIME_IMPORTS.get(dll, "").split())
            have = got.get(dll, set())
            self.assertEqual((set(), set()), (have - pinned, pinned - have),
                             "%s: %s imports (new, gone) against the pinned list, each of them "
                             "first in Windows %s or else" % (DLL, dll, FIRST_WINDOWS))

    def test_at_most_48_kib(self):
        size = os.path.getsize(DLL)
        self.assertLessEqual(size, LARGEST_LIBRARY, "%s is %d bytes" % (DLL, size))

    def test_exports_only_winamp_vis_get_header_undecorated_from_zelpin_dll(self):
        exports = library().DIRECTORY_ENTRY_EXPORT
        self.assertEqual((b"zelpin.dll", [b"winampVisGetHeader"]),
                         (exports.name, [symbol.name for symbol in exports.symbols]),
                         "%s: export table name and exported names" % DLL)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def pe_sections(image):
    """(file header fields, {section name: contents}) of a PE file. A name
    longer than eight characters is "/offset" into the COFF string table."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    header = struct.unpack_from("<HHIIIHH", image, pe + 4)
    _, count, _, symbols_at, symbol_count, optional_size, _ = header
    strings = symbols_at + 18 * symbol_count
    found = {}
    for k in range(count):
        at = pe + 24 + optional_size + 40 * k
        name = image[at:at + 8].rstrip(b"\0").decode()
        if name.startswith("/"):
            start = strings + int(name[1:])
            name = image[start:image.index(b"\0", start)].decode()
        virtual_size, _, raw_size, raw_at = struct.unpack_from("<IIII", image, at + 8)
        found[name] = image[raw_at:raw_at + min(virtual_size, raw_size)]
    return header, found


def build_id(sections):
    """The CodeView record's signature and age: the build ID."""
    record = sections.get(".buildid", b"")
    at = record.find(b"RSDS")
    return record[at + 4:at + 24].hex() if at >= 0 else None


class ShippedLibrary(unittest.TestCase):
    """The library as it ships: stripped, tied to its symbols file, hardened."""

    @classmethod
    def setUpClass(cls):
        for path in (DLL, SYMBOLS):
            if not os.path.isfile(path):
                raise AssertionError("not found: %s (build it with scripts/build)" % path)
        cls.image, cls.symbols = read(DLL), read(SYMBOLS)
        cls.header, cls.sections = pe_sections(cls.image)
        cls.symbol_sections = pe_sections(cls.symbols)[1]

    def test_stripped_and_its_symbols_apart(self):
        self.assertEqual(([], 0), ([name for name in self.sections if name.startswith(".debug")],
                                   self.header[4]),
                         "%s: debug sections and COFF symbols left in it" % DLL)
        for name in (".debug_info", ".debug_line"):
            self.assertIn(name, self.symbol_sections, "%s lacks %s" % (SYMBOLS, name))

    def test_symbols_file_matches_the_library(self):
        link = self.sections.get(".gnu_debuglink", b"\0")
        name = link[:link.index(b"\0")]
        crc_at = (len(name) + 4) & ~3
        self.assertEqual((b"vis_zelpin.dll.debug", zlib.crc32(self.symbols)),
                         (name, int.from_bytes(link[crc_at:crc_at + 4], "little")),
                         "%s: debug link (file name, CRC-32 of %s)" % (DLL, SYMBOLS))
        library_id = build_id(self.sections)
        self.assertEqual(40, len(library_id or ""), "%s: build ID %r" % (DLL, library_id))
        self.assertEqual(library_id, build_id(self.symbol_sections), "%s: build ID" % SYMBOLS)

    def test_symbols_turn_the_export_address_into_its_line(self):
        # A crash offset becomes an address at the library's preferred base.
        base = library().OPTIONAL_HEADER.ImageBase
        rva = library().DIRECTORY_ENTRY_EXPORT.symbols[0].address
        run = subprocess.run([ADDR2LINE, "-f", "-e", SYMBOLS, "0x%x" % (base + rva)],
                             capture_output=True, text=True)
        with open(os.path.join(ROOT, "plugin", "module.cpp")) as f:
            source = f.read().splitlines()
        first = next(n for n, line in enumerate(source, 1) if "winampVisGetHeader()" in line)
        last = source.index("}", first) + 1
        self.assertIn(run.stdout.split(), [["winampVisGetHeader", "./plugin/module.cpp:%d" % n]
                                           for n in range(first, last + 1)],
                      "%s at 0x%x (%s)" % (ADDR2LINE, base + rva, run.stderr.strip()))

    def test_hardening_and_no_link_time(self):
        pe = struct.unpack_from("<I", self.image, 0x3C)[0]
        flags, = struct.unpack_from("<H", self.image, pe + 24 + 70)
        # DYNAMIC_BASE (ASLR), NX_COMPAT (DEP), NO_SEH (no handler in it).
        self.assertEqual(0x540, flags & 0x540, "%s: DllCharacteristics 0x%x" % (DLL, flags))
        self.assertIn(".reloc", self.sections, "%s: no relocations, so no ASLR" % DLL)
        self.assertEqual(0, self.header[2], "%s: PE time stamp" % DLL)


def version_resource(path):
    """(file version high and low, product version high and low), {string name: value}
    of a PE file's version resource; None when it has none."""
    pe = pefile.PE(path)
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        return None
    fixed = pe.VS_FIXEDFILEINFO[0]
    strings = {key.decode(): value.decode()
               for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
               for table in info.StringTable for key, value in table.entries.items()}
    return (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS,
            fixed.ProductVersionLS), strings


class VersionResource(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.path.join(ROOT, "VERSION")) as f:
            cls.version = f.read().strip()
        found = version_resource(DLL)
        if found is None:
            raise AssertionError("%s has no version resource" % DLL)
        cls.fixed, cls.strings = found

    def test_numbers_are_the_source_version(self):
        major, minor, patch = (int(part) for part in self.version.split("."))
        high, low = (major << 16) | minor, patch << 16
        self.assertEqual((high, low, high, low), self.fixed,
                         "%s: file and product version words for %s" % (DLL, self.version))

    def test_strings_windows_shows(self):
        self.assertEqual({
            "CompanyName": "The ZELPIN developers",
            "FileDescription": "ZELPIN visualisation plug-in: a skin-coloured spectrum analyser",
            "FileVersion": self.version,
            "InternalName": "zelpin.dll",
            "LegalCopyright": "Copyright (C) 2026 The ZELPIN developers",
            "OriginalFilename": "vis_zelpin.dll",
            "ProductName": "ZELPIN",
            "ProductVersion": self.version,
        }, self.strings, "%s: version strings" % DLL)


if __name__ == "__main__":
    unittest.main(verbosity=2)
