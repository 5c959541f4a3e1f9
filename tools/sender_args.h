// Argument handling of tkWDSend that needs no platform.
#pragma once
#include <cstddef>

// Exit codes of tkWDSend.
enum SendResult {
    kSent = 0,
    kUsageError = 1,
    kNoPipe = 2,         // the service is not running
    kPipeBusy = 3,       // another client kept the pipe past the wait time-out
    kMessageTooLong = 4, // more than 256 bytes, refused before sending
    kWriteFailed = 5,
};

constexpr size_t kMaxStatusBytes = 256;  // what the service reads of one message
constexpr size_t kMaxHexBytes = 4096;    // what --hex may send, to exercise bad input

// Decodes hex digits (blanks allowed between bytes) into out. Returns nonzero and sets
// length for an even number of digits within capacity; 0 for anything else.
int parseHexBytes(const wchar_t* text, unsigned char* out, size_t capacity, size_t* length);
