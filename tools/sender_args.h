// Argument handling of tkWDSend that needs no platform.
#pragma once
#include <cstddef>

// Exit codes of tkWDSend.
enum SendResult {
    kSent = 0,
    kUsageError = 1,
    kNoPipe = 2,         // the service is not running
    kPipeBusy = 3,       // another client kept the pipe past the wait time-out
    kRefused = 4,        // the service would drop or misread it: refused before sending
    kWriteFailed = 5,
};

constexpr size_t kMaxPartBytes = 99;     // the most the service takes of a command or a name
constexpr size_t kMaxHexBytes = 4096;    // what --hex may send, to exercise bad input

// What would make the service drop a command or a printer name, given as the bytes to send.
enum class PartProblem { None, TooLong, ControlCharacter };
PartProblem checkPart(const char* bytes, size_t length);

// Decodes hex digits (blanks allowed between bytes) into out. Returns nonzero and sets
// length for an even number of digits within capacity; 0 for anything else.
int parseHexBytes(const wchar_t* text, unsigned char* out, size_t capacity, size_t* length);
