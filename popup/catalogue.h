// The messages the pop-up shows for each status word of the report, in English and Chinese.
#pragma once

enum class Language { English, Chinese };

// Chinese on code page 936, English on every other.
Language languageForCodePage(unsigned codePage);

struct CatalogueMatch {
    const wchar_t* text;   // the message in the chosen language
    bool newPrinter;       // the status that gives the pop-up its new-printer title
};

// Looks statusWord up, compared whole and with letter case. Returns nonzero and fills
// match for one of the 30 words; 0 for anything else (there is no fallback text).
int lookUpStatus(Language language, const wchar_t* statusWord, CatalogueMatch* match);

// The whole catalogue, for callers that list it.
struct CatalogueRow {
    const wchar_t* word;
    const wchar_t* english;
    const wchar_t* chinese;
    bool newPrinter;
};
const CatalogueRow* catalogueRows(int* count);
