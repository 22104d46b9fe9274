// The import table of a loaded module: where its calls into other DLLs go.
// Pointing an import at a procedure of the test's own puts that procedure
// between the module and the platform, with nothing changed in the module.
#pragma once

#include <windows.h>

// Points import `name` of `dll` in the loaded module at replacement; returns
// the function it pointed at before, or null when the module has no such
// import.
void* PatchImport(HMODULE module, const char* dll, const char* name, void* replacement);
