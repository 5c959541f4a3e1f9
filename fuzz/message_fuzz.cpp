// libFuzzer target over the handling of one status-pipe message, from the bytes read to the
// title the service looks for: the split, the control-byte and length rules, the command
// lookup and the printer title. Built with ASan and UBSan, so any read or write past a
// buffer ends the run; the properties below end it through abort().
//
// The reference rules, written independently of the code under test:
//   the text is the bytes up to the first zero (or all of them); it splits at its first "_";
//   it is kept only when both parts have at most 99 bytes and no byte below 0x20.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>

#include "commands.h"
#include "message.h"
#include "popup_title.h"

namespace {

void require(bool holds)
{
    if (!holds)
        std::abort();
}

bool hasControlByte(const uint8_t* bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] < 0x20)
            return true;
    return false;
}

// A field is its text and then zeros up to its end, never more than 99 bytes of text.
size_t checkedFieldLength(const char (&field)[kFieldBytes])
{
    const void* zero = std::memchr(field, '\0', kFieldBytes);
    require(zero != nullptr);
    const size_t length = static_cast<size_t>(static_cast<const char*>(zero) - field);
    for (size_t i = length; i < kFieldBytes; ++i)
        require(field[i] == '\0');
    return length;
}

// splitMessage on exactly these bytes, in a heap block of their size so that ASan sees any
// read past the message; the fields start as garbage, as on the listener's stack.
int split(const uint8_t* data, size_t size, char (&command)[kFieldBytes], char (&printer)[kFieldBytes])
{
    // new char[0] is a valid, non-null block of no bytes, as the listener's buffer never is null.
    std::unique_ptr<char[]> message(new char[size]);
    if (size)
        std::memcpy(message.get(), data, size);
    std::memset(command, 0x5A, kFieldBytes);
    std::memset(printer, 0x5A, kFieldBytes);
    return splitMessage(message.get(), size, command, printer);
}

// The title for a printer name: the name (each byte widened, as the single-byte code pages
// of the tests do), two blanks, the version; in a heap block of exactly its capacity.
void checkTitle(const char* name, size_t nameLength)
{
    std::vector<wchar_t> wideName(nameLength + 1, L'\0');
    for (size_t i = 0; i < nameLength; ++i)
        wideName[i] = static_cast<unsigned char>(name[i]);
    const size_t versionLength = std::wcslen(kVersionText);
    const size_t needed = nameLength + 2 + versionLength + 1;

    std::vector<wchar_t> title(needed, L'#');
    require(formatPopupTitle(title.data(), needed, wideName.data()) != 0);
    require(std::wmemcmp(title.data(), wideName.data(), nameLength) == 0);
    require(title[nameLength] == L' ' && title[nameLength + 1] == L' ');
    require(std::wcscmp(title.data() + nameLength + 2, kVersionText) == 0);

    // One character short: refused, and left empty rather than cut.
    std::vector<wchar_t> small(needed - 1, L'#');
    require(formatPopupTitle(small.data(), small.size(), wideName.data()) == 0);
    require(small[0] == L'\0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reference verdict.
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t textLength = zero ? static_cast<size_t>(zero - data) : size;
    const uint8_t* underscore = static_cast<const uint8_t*>(std::memchr(data, '_', textLength));
    const size_t commandLength = underscore ? static_cast<size_t>(underscore - data) : textLength;
    const uint8_t* name = underscore ? underscore + 1 : data + textLength;
    const size_t nameLength = underscore ? textLength - commandLength - 1 : 0;
    const bool kept = commandLength < kFieldBytes && nameLength < kFieldBytes &&
                      !hasControlByte(data, commandLength) && !hasControlByte(name, nameLength);

    char command[kFieldBytes];
    char printer[kFieldBytes];
    const int result = split(data, size, command, printer);
    const size_t gotCommand = checkedFieldLength(command);
    const size_t gotPrinter = checkedFieldLength(printer);

    if (!kept) {
        // Dropped: nothing of it reaches the fields, so nothing can be acted on.
        require(result == 0);
        require(gotCommand == 0 && gotPrinter == 0);
        return 0;
    }
    require(result != 0);
    require(gotCommand == commandLength && std::memcmp(command, data, commandLength) == 0);
    require(gotPrinter == nameLength && std::memcmp(printer, name, nameLength) == 0);

    // Round trip: the parts joined again split to the same parts.
    char joined[2 * kFieldBytes];
    std::memcpy(joined, command, gotCommand);
    size_t joinedLength = gotCommand;
    if (underscore) {
        joined[joinedLength++] = '_';
        std::memcpy(joined + joinedLength, printer, gotPrinter);
        joinedLength += gotPrinter;
    }
    char again[kFieldBytes];
    char againPrinter[kFieldBytes];
    require(split(reinterpret_cast<const uint8_t*>(joined), joinedLength, again, againPrinter) != 0);
    require(std::memcmp(again, command, kFieldBytes) == 0);
    require(std::memcmp(againPrinter, printer, kFieldBytes) == 0);

    // The lookup matches whole words only: a found row carries exactly this command.
    const CommandWord* row = findCommand(command);
    int count = 0;
    const CommandWord* table = commandTable(&count);
    bool listed = false;
    for (int i = 0; i < count; ++i)
        listed = listed || std::strcmp(table[i].word, command) == 0;
    require((row != nullptr) == listed);
    if (row)
        require(std::strcmp(row->word, command) == 0);

    checkTitle(printer, gotPrinter);
    return 0;
}
