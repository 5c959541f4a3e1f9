// The pop-up's title is its identity towards the service: the service finds stale pop-ups
// by window class and exact title, so both programs build it with these functions only.
#pragma once
#include <cstddef>

constexpr size_t kTitleCapacity = 260;       // characters, terminator included
constexpr unsigned kChineseCodePage = 936;   // every other ANSI code page means English
extern const wchar_t kVersionText[];         // "V1.3.3"
extern const wchar_t kPopupClassName[];      // "tavikWD"

// printerName, two blanks, kVersionText. Returns nonzero when it fits in capacity
// (a 99-character name gives 107 characters); otherwise title is left empty.
int formatPopupTitle(wchar_t* title, size_t capacity, const wchar_t* printerName);

// Title of the "newconnect" pop-up for an ANSI code page.
const wchar_t* newPrinterTitleFor(unsigned codePage);
