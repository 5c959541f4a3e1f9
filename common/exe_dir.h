#pragma once
#include <cstddef>

// Directory of the running executable, ending in a backslash, taken from the module's own
// path (never the working directory). Returns 0 and an empty dir when it does not fit.
int executableDirectory(wchar_t* dir, size_t capacity);
