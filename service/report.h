#pragma once

// Records the latest status in section REPORT of the report file: TYPE always, then PRINTER
// when a printer name is given (an empty name is written as an empty value). An empty
// reportPath writes nothing.
void writeReport(const wchar_t* reportPath, const wchar_t* type, const wchar_t* printer);
