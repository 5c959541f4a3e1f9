#include "popup_title.h"

#include "paths.h"

const wchar_t kVersionText[] = L"V1.3.3";
const wchar_t kPopupClassName[] = L"tavikWD";

int formatPopupTitle(wchar_t* title, size_t capacity, const wchar_t* printerName)
{
    return joinTexts(title, capacity, printerName, L"  ", kVersionText);
}

const wchar_t* newPrinterTitleFor(unsigned codePage)
{
    return codePage == kChineseCodePage ? L"发现新打印机" : L"Discover new printer";
}
