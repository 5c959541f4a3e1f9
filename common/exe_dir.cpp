#include "exe_dir.h"

#include <windows.h>

#include "paths.h"

int executableDirectory(wchar_t* dir, size_t capacity)
{
    // Twice the usual capacity: a longer path cannot give a directory that fits anyway,
    // and a truncated answer is recognised instead of being used.
    wchar_t path[2 * kPathCapacity];
    const DWORD length = GetModuleFileNameW(nullptr, path, 2 * kPathCapacity);
    if (length == 0 || length >= 2 * kPathCapacity || !cutAfterLastBackslash(path)) {
        if (capacity > 0)
            dir[0] = L'\0';
        return 0;
    }
    return joinTexts(dir, capacity, path, L"");
}
