#include "message.h"

#include <cstring>

int splitMessage(const char* text, size_t size, char (&command)[kFieldBytes],
                 char (&printerName)[kFieldBytes])
{
    std::memset(command, 0, kFieldBytes);
    std::memset(printerName, 0, kFieldBytes);

    const void* zero = std::memchr(text, '\0', size);
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - text) : size;
    const void* underscore = std::memchr(text, '_', length);
    const size_t commandLength =
        underscore ? static_cast<size_t>(static_cast<const char*>(underscore) - text) : length;
    const size_t nameLength = underscore ? length - commandLength - 1 : 0;

    if (commandLength >= kFieldBytes || nameLength >= kFieldBytes)
        return 0;
    // A line break would let a name add sections and keys to the report; no printer or
    // command word holds a control byte, and no double-byte character has one as a part.
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) < kFirstTextByte)
            return 0;
    std::memcpy(command, text, commandLength);
    if (underscore)
        std::memcpy(printerName, text + commandLength + 1, nameLength);
    return 1;
}
