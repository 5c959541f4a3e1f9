// Bounded text joins for fixed-capacity UTF-16 buffers: a text that does not fit is
// never cut (a cut path or printer name could name something else); the result is empty.
#pragma once
#include <cstddef>

constexpr size_t kPathCapacity = 260;  // characters, terminator included

// out = a + b + c. Returns nonzero when the whole text fits in capacity characters
// including the terminator; otherwise out is the empty text and 0 is returned.
int joinTexts(wchar_t* out, size_t capacity, const wchar_t* a, const wchar_t* b,
              const wchar_t* c = L"");

// Ends a full path right after its last backslash, leaving the directory with its
// trailing backslash. Returns 0 (path unchanged) when it holds no backslash.
int cutAfterLastBackslash(wchar_t* path);
