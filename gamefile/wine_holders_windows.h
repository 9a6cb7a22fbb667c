#pragma once
// Under Wine, whether the game runs in another prefix: Wine keeps each
// prefix's open files to its own wineserver, so the sharing rules do not
// see it there, while the Linux kernel does.

#include <windows.h>

// Whether another process on the machine maps `file` (named `name`), as a
// program running under Wine maps its executable. false outside Wine, or
// where /proc cannot be read.
bool mapped_by_another_wine_prefix(HANDLE file, const wchar_t* name);
