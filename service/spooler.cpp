#include "spooler.h"

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <new>

#include "owned.h"

namespace {

struct PrinterHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static bool isValid(Handle h) { return h != nullptr; }
    static void close(Handle h) { ClosePrinter(h); }
};
using PrinterHandle = Owned<PrinterHandleTraits>;

// Opens the printer with the right to administer it; an empty owner when that is refused.
PrinterHandle openForAdministration(const wchar_t* printerName)
{
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &printer, &defaults))
        return PrinterHandle();
    return PrinterHandle(printer);
}

constexpr DWORD kInfo5Bytes = 256;  // enough for the record and two ordinary names

} // namespace

void purgeQueue(const wchar_t* printerName)
{
    PrinterHandle printer = openForAdministration(printerName);
    if (printer)
        SetPrinterW(printer.get(), 0, nullptr, PRINTER_CONTROL_PURGE);
}

int setQueuedPrinting(const wchar_t* printerName)
{
    PrinterHandle printer = openForAdministration(printerName);
    if (!printer)
        return 0;

    // The record carries the printer and port names after it; long names need more than the
    // usual buffer, and the printer must not stay in direct mode because of that.
    alignas(PRINTER_INFO_5W) BYTE small[kInfo5Bytes];
    std::unique_ptr<BYTE[]> large;
    BYTE* info = small;
    DWORD needed = 0;
    if (!GetPrinterW(printer.get(), 5, info, kInfo5Bytes, &needed)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= kInfo5Bytes)
            return 0;
        large.reset(new (std::nothrow) BYTE[needed]);
        info = large.get();
        if (!info || !GetPrinterW(printer.get(), 5, info, needed, &needed))
            return 0;
    }

    auto* record = reinterpret_cast<PRINTER_INFO_5W*>(info);
    record->Attributes = (record->Attributes & ~PRINTER_ATTRIBUTE_DIRECT) | PRINTER_ATTRIBUTE_QUEUED;
    return SetPrinterW(printer.get(), 5, info, 0) ? 1 : 0;
}
