#include "report.h"

#include <windows.h>

void writeReport(const wchar_t* reportPath, const wchar_t* type, const wchar_t* printer)
{
    if (!reportPath[0])
        return;
    WritePrivateProfileStringW(L"REPORT", L"TYPE", type, reportPath);
    if (printer)
        WritePrivateProfileStringW(L"REPORT", L"PRINTER", printer, reportPath);
}
