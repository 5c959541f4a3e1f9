#include "paths.h"

#include <cwchar>

int joinTexts(wchar_t* out, size_t capacity, const wchar_t* a, const wchar_t* b, const wchar_t* c)
{
    if (capacity == 0)
        return 0;
    const size_t la = std::wcslen(a), lb = std::wcslen(b), lc = std::wcslen(c);
    if (la + lb + lc >= capacity) {
        out[0] = L'\0';
        return 0;
    }
    std::wmemcpy(out, a, la);
    std::wmemcpy(out + la, b, lb);
    std::wmemcpy(out + la + lb, c, lc);
    out[la + lb + lc] = L'\0';
    return 1;
}

int cutAfterLastBackslash(wchar_t* path)
{
    wchar_t* last = std::wcsrchr(path, L'\\');
    if (!last)
        return 0;
    last[1] = L'\0';
    return 1;
}
