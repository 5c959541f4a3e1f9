// The status pipe's wire format: "<command>_<printerName>" in the ANSI code page,
// at most 256 bytes, optionally ended by a zero byte.
#pragma once
#include <cstddef>

constexpr size_t kMessageBytes = 256;  // largest message the listener reads
constexpr size_t kFieldBytes = 100;    // command and printer name: 99 bytes and a zero
constexpr unsigned char kFirstTextByte = 0x20;  // bytes below it are control bytes

// Splits the text of one message (its bytes up to the first zero, or all `size` bytes)
// at its first underscore; later underscores belong to the printer name. Returns nonzero
// when both parts fit their fields and hold no control byte. A longer part makes the whole
// message unusable (a cut printer name could name another printer), and so does a control
// byte anywhere in the text: 0 is returned and both fields are left empty.
int splitMessage(const char* text, size_t size, char (&command)[kFieldBytes],
                 char (&printerName)[kFieldBytes]);
