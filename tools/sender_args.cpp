#include "sender_args.h"

namespace {

int hexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

} // namespace

int parseHexBytes(const wchar_t* text, unsigned char* out, size_t capacity, size_t* length)
{
    size_t count = 0;
    for (const wchar_t* p = text; *p;) {
        if (*p == L' ') {
            ++p;
            continue;
        }
        const int high = hexValue(p[0]);
        const int low = high < 0 ? -1 : hexValue(p[1]);
        if (low < 0 || count >= capacity)
            return 0;
        out[count++] = static_cast<unsigned char>(high * 16 + low);
        p += 2;
    }
    *length = count;
    return 1;
}

PartProblem checkPart(const char* bytes, size_t length)
{
    if (length > kMaxPartBytes)
        return PartProblem::TooLong;
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(bytes[i]) < 0x20)
            return PartProblem::ControlCharacter;
    return PartProblem::None;
}
