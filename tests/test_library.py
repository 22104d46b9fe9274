"""Checks the shape of the 32-bit plug-in library that a player loads.

The player needs a PE32 i386 DLL whose export table is named "zelpin.dll" and
offers one undecorated name, winampVisGetHeader; the library must run on a
bare system, so it may import only the Windows DLLs listed below.
ZELPIN_PRODUCT_DLL names another library to check instead of the default.
"""

import os
import re
import subprocess
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DLL = os.environ.get("ZELPIN_PRODUCT_DLL") or os.path.join(ROOT, "build", "win32", "vis_zelpin.dll")
OBJDUMP = "i686-w64-mingw32-objdump"
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}

_dump = None


def headers():
    """The private headers as objdump -p prints them, read once."""
    global _dump
    if _dump is None:
        if not os.path.isfile(DLL):
            raise AssertionError("library not found: %s (build it with scripts/build)" % DLL)
        try:
            run = subprocess.run([OBJDUMP, "-p", DLL], capture_output=True, text=True)
        except FileNotFoundError:
            raise AssertionError("%s is not installed" % OBJDUMP)
        if run.returncode != 0:
            raise AssertionError("%s -p %s failed (is it a 32-bit Windows library?): %s"
                                 % (OBJDUMP, DLL, run.stderr.strip()))
        _dump = run.stdout
    return _dump


def export_names(dump):
    """Names listed in the export table's name pointer table."""
    names = []
    lines = dump.splitlines()
    for i, line in enumerate(lines):
        if line.startswith("[Ordinal/Name Pointer] Table"):
            for entry in lines[i + 1:]:
                m = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", entry)
                if not m:
                    break
                names.append(m.group(1))
    return names


class Library(unittest.TestCase):
    def test_is_pe32_for_i386(self):
        dump = headers()
        m = re.search(r"file format (\S+)", dump)
        self.assertEqual("pei-i386", m.group(1) if m else None,
                         "%s: object format should be pei-i386" % DLL)
        m = re.search(r"^Magic\s+(\S+)", dump, re.M)
        self.assertEqual("010b", m.group(1) if m else None,
                         "%s: optional header magic should be 010b (PE32)" % DLL)
        m = re.search(r"^Characteristics\s+0x([0-9a-fA-F]+)", dump, re.M)
        self.assertTrue(m and int(m.group(1), 16) & 0x2000,
                        "%s: file characteristics should mark a DLL, got %s"
                        % (DLL, m.group(0) if m else "none"))

    def test_imports_only_system_libraries(self):
        imports = re.findall(r"DLL Name:\s*(\S+)", headers())
        self.assertTrue(imports, "%s: no import table found" % DLL)
        extra = sorted(name for name in imports if name.lower() not in ALLOWED_IMPORTS)
        self.assertEqual([], extra,
                         "%s imports %s beyond KERNEL32, USER32, GDI32 and msvcrt (all: %s)"
                         % (DLL, extra, imports))

    def test_export_table_is_named_zelpin_dll(self):
        m = re.search(r"^Name\s+[0-9a-fA-F]+\s+(\S+)", headers(), re.M)
        self.assertEqual("zelpin.dll", m.group(1) if m else None,
                         "%s: export table name" % DLL)

    def test_exports_only_winamp_vis_get_header_undecorated(self):
        self.assertEqual(["winampVisGetHeader"], export_names(headers()),
                         "%s: exported names" % DLL)


if __name__ == "__main__":
    unittest.main(verbosity=2)
